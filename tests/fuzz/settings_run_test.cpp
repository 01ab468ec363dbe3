// The hostile records of the settings fuzz target, run natively under the
// sanitizers: every field at each extreme, on sixteen displays, and (with a grid the
// validity rule refuses) as a one-display preview. Inputs the fuzzer once broke stay here as cases.
#include <gtest/gtest.h>

#include <string>

#include "settings/hostile_records.h"
#include "settings_run.h"

namespace {

int RunRecord(const SettingsRecord& record, const std::string& control) {
    std::string input(reinterpret_cast<const char*>(&record), sizeof record);
    input += control;
    return RunSettingsInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

TEST(HostileSettings, EveryExtremeRunsToTheEnd) {
    // 100 frames of up to 63 ms with every
    // effect key and the Spacebar pressed along the way.
    std::string keys;
    for (int k = 0; k < 100; ++k) keys += static_cast<char>(k % 3 ? 0x3f : 0xC0 + k % 10);
    for (int i = 0; i < kHostileValueCount; ++i) {
        for (bool keepGrid : {true, false}) {
            const SettingsRecord record = HostileRecord(kHostileValues[i], keepGrid);
            SCOPED_TRACE(std::string(kHostileValues[i].name) + (keepGrid ? " (grid kept)" : ""));
            const std::string control = keepGrid ? std::string("\x0f\x00\x00\x20\x20\x05", 6)
                                                 : std::string("\x00\x01\x00\x10\x10\x07", 6);
            EXPECT_GT(RunRecord(record, control + keys), 0);
        }
    }
}

}  // namespace
