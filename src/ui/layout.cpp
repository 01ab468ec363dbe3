// The rows of the settings window: every control of the frame and of the nine
// pages, in creation order (which is also the order of the Tab key). Places are
// client pixels; the pages use x 160..490 and y 43..499, the effect groups of the
// special effects page start at y 200 under the selector.
#include <cstddef>

#include "ui/controls.h"

namespace {

#define S_OFF(name) static_cast<int>(offsetof(SettingsRecord, name))
#define L_OFF(name) static_cast<int>(offsetof(LocalOptionsRecord, name))

constexpr int kLeft = 160;    // first column of a page
constexpr int kRight = 330;   // second column
constexpr int kFull = 330;    // width of a whole page line
constexpr int kHalf = 160;    // width of a column
constexpr int kLine = 14;     // one line of a label
constexpr int kTickHeight = 18;
constexpr int kCheckHeight = 18;
constexpr int kChecks = 240;  // width of a column of checks whose marks stand at the right

constexpr ControlEntry Row(ControlKind kind, int page, int group, int x, int y, int w, int h, int text, int hint,
                          ControlBinding binding = kBindNone, LabelFormat format = kLabelText,
                          ControlCommand command = kCommandNone, int style = 0, int field = 0, int extra = 0) {
    return ControlEntry{static_cast<uint8_t>(kind),    static_cast<int8_t>(page),    static_cast<uint8_t>(group),
                       static_cast<int16_t>(x),       static_cast<int16_t>(y),      static_cast<int16_t>(w),
                       static_cast<int16_t>(h),       static_cast<uint16_t>(text),  static_cast<uint16_t>(hint),
                       static_cast<uint8_t>(binding), static_cast<uint8_t>(format), static_cast<uint8_t>(command),
                       static_cast<uint8_t>(style),   static_cast<uint16_t>(field), static_cast<uint16_t>(extra)};
}

constexpr ControlEntry Title(int page, int group, int y, int h, int text) {
    return Row(kControlTitle, page, group, kLeft, y, kFull, h, text, 0);
}
constexpr ControlEntry Text(int page, int group, int x, int y, int w, int h, int text, int hint = 0) {
    return Row(kControlLabel, page, group, x, y, w, h, text, hint, kBindNone, kLabelText, kCommandNone,
               hint ? kStyleHinted : 0);
}
constexpr ControlEntry Shows(int page, int group, int x, int y, int w, int h, int text, LabelFormat format,
                            int field = 0, int extra = 0) {
    return Row(kControlLabel, page, group, x, y, w, h, text, 0, kBindNone, format, kCommandNone, 0, field, extra);
}
constexpr ControlEntry Formatted(int page, int group, int x, int y, int w, int h, int text) {
    return Shows(page, group, x, y, w, h, text, kLabelSettings);
}
constexpr ControlEntry Interval(int page, int group, int x, int y, int w, int text, SliderField field, int keyOnly) {
    return Shows(page, group, x, y, w, kLine, text, kLabelInterval, field, keyOnly);
}
constexpr ControlEntry Value(int page, int group, int x, int y, int w, int text, SliderField field) {
    return Shows(page, group, x, y, w, kLine, text, kLabelValue, field);
}
constexpr ControlEntry Tick(int page, int group, int x, int y, int w, int hint, SliderField field) {
    return Row(kControlTick, page, group, x, y, w, kTickHeight, 0, hint, kBindSlider, kLabelText, kCommandNone, 0,
               field);
}
constexpr ControlEntry Slider(int page, int x, int y, int w, int hint, ControlBinding binding) {
    return Row(kControlTick, page, 0, x, y, w, kTickHeight, 0, hint, binding);
}
constexpr ControlEntry Check(int page, int group, int x, int y, int w, int text, int hint, int offset,
                            ControlBinding binding = kBindFlag, int style = 0) {
    return Row(kControlCheck, page, group, x, y, w, kCheckHeight, text, hint, binding, kLabelText, kCommandNone,
               style, offset);
}
// A check box whose string ends in a colon: the text first, the mark at the right.
constexpr ControlEntry Option(int page, int y, int text, int hint, int offset, ControlBinding binding = kBindFlag) {
    return Check(page, 0, kLeft, y, kChecks, text, hint, offset, binding, kStyleMarkRight);
}
constexpr ControlEntry Button(int page, int group, int x, int y, int w, int h, int text, int hint,
                             ControlCommand command, int field = 0) {
    return Row(kControlButton, page, group, x, y, w, h, text, hint, kBindNone, kLabelText, command, 0, field);
}
constexpr ControlEntry Other(ControlKind kind, int page, int x, int y, int w, int h, int hint, ControlCommand command,
                            int text = 0) {
    return Row(kind, page, 0, x, y, w, h, text, hint, kBindNone, kLabelText, command);
}

enum Page { kEasy, kPresets, kMetrics, kAppearance, kText, kSpecial, kGlobal, kProperties, kAbout };
enum Group { kDejaVu = 1, kBursts, kCrash, kSmallBursts, kOther, kLightnings };

const ControlEntry kControls[] = {
    // The frame: the page column, the divider and the close button.
    Button(kFrame, 0, 0, 43, 140, 50, 8801, 8811, kCommandPage, kEasy),
    Button(kFrame, 0, 0, 93, 140, 50, 8802, 8812, kCommandPage, kPresets),
    Button(kFrame, 0, 0, 143, 140, 50, 8803, 8813, kCommandPage, kMetrics),
    Button(kFrame, 0, 0, 193, 140, 50, 8804, 8814, kCommandPage, kAppearance),
    Button(kFrame, 0, 0, 243, 140, 50, 8805, 8815, kCommandPage, kText),
    Button(kFrame, 0, 0, 293, 140, 50, 8806, 8816, kCommandPage, kSpecial),
    Button(kFrame, 0, 0, 343, 140, 50, 8807, 8817, kCommandPage, kGlobal),
    Button(kFrame, 0, 0, 393, 140, 50, 8808, 8818, kCommandPage, kProperties),
    Button(kFrame, 0, 0, 443, 140, 50, 8809, 8819, kCommandPage, kAbout),
    Other(kControlDivider, kFrame, 140, 43, 14, 450, 0, kCommandNone),
    Other(kControlClose, kFrame, 476, 0, 24, 24, 8821, kCommandClose),

    // 1. Easy setup.
    Title(kEasy, 0, 48, 70, 7101),
    Shows(kEasy, 0, kLeft, 128, kFull, kLine, 7102, kLabelCharacters),
    Slider(kEasy, kLeft, 144, kFull, 7152, kBindCharacters),
    Shows(kEasy, 0, kLeft, 172, kFull, kLine, 7103, kLabelDensity),
    Slider(kEasy, kLeft, 188, kFull, 7153, kBindDensity),
    Check(kEasy, 0, kLeft, 222, kFull, 7130, 7180, 0, kBindLowQuality),
    Check(kEasy, 0, kLeft, 246, kFull, 7131, 7181, 0, kBindBootEffect),
    Text(kEasy, 0, kLeft, 436, kFull, 28, 7149),
    Text(kEasy, 0, kLeft, 468, kFull, kLine, 7199),

    // 2. Presets.
    Title(kPresets, 0, 48, 56, 7201),
    Other(kControlList, kPresets, kLeft, 108, kFull, 272, 7211, kCommandActivatePreset),
    Button(kPresets, 0, kLeft, 390, 163, 30, 7202, 7212, kCommandSavePreset),
    Button(kPresets, 0, 327, 390, 163, 30, 7203, 7213, kCommandDeletePreset),
    Button(kPresets, 0, kLeft, 426, 163, 30, 7204, 7215, kCommandExportPreset),
    Button(kPresets, 0, 327, 426, 163, 30, 7205, 7214, kCommandImportPreset),

    // 3. Code metrics.
    Title(kMetrics, 0, 48, 18, 7300),
    Formatted(kMetrics, 0, kLeft, 72, kFull, kLine, 7301),
    Tick(kMetrics, 0, kLeft, 88, kFull, 7351, kSliderSpeed),
    Formatted(kMetrics, 0, kLeft, 112, kFull, kLine, 7302),
    Tick(kMetrics, 0, kLeft, 128, kHalf, 7352, kSliderColumns),
    Tick(kMetrics, 0, kRight, 128, kHalf, 7353, kSliderRows),
    Formatted(kMetrics, 0, kLeft, 152, kFull, kLine, 7303),
    Tick(kMetrics, 0, kLeft, 168, kHalf, 7354, kSliderReleaseIntervalLog2),
    Tick(kMetrics, 0, kRight, 168, kHalf, 7355, kSliderReleaseMaxTracers),
    Formatted(kMetrics, 0, kLeft, 192, kFull, 2 * kLine, 7304),
    Tick(kMetrics, 0, kLeft, 222, kHalf, 7356, kSliderSplashInterval),
    Tick(kMetrics, 0, kRight, 222, kHalf, 7357, kSliderSplashMaxTracers),
    Formatted(kMetrics, 0, kLeft, 246, kFull, kLine, 7305),
    Tick(kMetrics, 0, kLeft, 262, kFull, 7358, kSliderRotatorsOccurrence),
    Formatted(kMetrics, 0, kLeft, 286, kFull, 2 * kLine, 7306),
    Tick(kMetrics, 0, kLeft, 316, kFull, 7359, kSliderStreamLength),
    Formatted(kMetrics, 0, kLeft, 340, kFull, kLine, 7307),
    Tick(kMetrics, 0, kLeft, 356, kFull, 7360, kSliderPositiveDensity),
    Formatted(kMetrics, 0, kLeft, 380, kFull, kLine, 7308),
    Tick(kMetrics, 0, kLeft, 396, kFull, 7361, kSliderNegativeDensity),

    // 4. Code appearance.
    Title(kAppearance, 0, 48, 18, 7400),
    Formatted(kAppearance, 0, kLeft, 72, kFull, kLine, 7408),
    Tick(kAppearance, 0, kLeft, 88, kHalf, 7451, kSliderGlowingTracers),
    Tick(kAppearance, 0, kRight, 88, kHalf, 7452, kSliderGlowIntensity),
    Formatted(kAppearance, 0, kLeft, 112, kFull, kLine, 7409),
    Tick(kAppearance, 0, kLeft, 128, kHalf, 7453, kSliderCharBlurLevel),
    Tick(kAppearance, 0, kRight, 128, kHalf, 7454, kSliderCharEnglow),
    Formatted(kAppearance, 0, kLeft, 152, kFull, kLine, 7411),
    Tick(kAppearance, 0, kLeft, 168, kFull, 7459, kSliderSpeedVariability),
    Formatted(kAppearance, 0, kLeft, 192, kFull, kLine, 7416),
    Tick(kAppearance, 0, kLeft, 208, kFull, 7466, kSliderCharSize),
    Text(kAppearance, 0, kLeft, 240, 85, kLine, 7401),
    Other(kControlColourButton, kAppearance, 250, 236, 70, 22, 7456, kCommandBaseColour),
    Text(kAppearance, 0, kRight, 240, 85, kLine, 7413),
    Other(kControlColourButton, kAppearance, 420, 236, 70, 22, 7465, kCommandAccentColour),
    Option(kAppearance, 272, 7403, 7457, S_OFF(noOverwriteTest), kBindInvertedFlag),
    Option(kAppearance, 294, 7405, 7458, S_OFF(killingGround)),
    Option(kAppearance, 316, 7406, 7460, S_OFF(plainErasers), kBindInvertedFlag),
    Option(kAppearance, 338, 7407, 7461, S_OFF(keepPattern)),
    Option(kAppearance, 360, 7412, 7462, S_OFF(rotatorsPlainFade), kBindInvertedFlag),
    Option(kAppearance, 382, 7415, 7463, S_OFF(consoleStart)),
    Option(kAppearance, 404, 7414, 7464, S_OFF(jumpInStart)),

    // 5. Text effects.
    Title(kText, 0, 48, 18, 7500),
    Check(kText, 0, kLeft, 72, kFull, 7501, 7551, S_OFF(textEnabled)),
    Interval(kText, 0, kLeft, 98, kFull, 7506, kSliderTextInterval, 0),
    Tick(kText, 0, kLeft, 114, kFull, 7552, kSliderTextInterval),
    Text(kText, 0, kLeft, 144, 200, kLine, 7502),
    Check(kText, 0, 372, 142, 24, 0, 7553, S_OFF(textDoubleSpeedIn)),
    Check(kText, 0, 412, 142, 24, 0, 7554, S_OFF(textDoubleSpeedOut)),
    Check(kText, 0, kLeft, 166, kFull, 7503, 7555, S_OFF(textHideTrailer)),
    Check(kText, 0, kLeft, 188, kFull, 7504, 7556, S_OFF(textRepeat)),
    Text(kText, 0, kLeft, 216, kFull, kLine, 7505),
    Row(kControlEdit, kText, 0, kLeft, 234, kFull, 22, 0, 7551, kBindTextLine, kLabelText, kCommandNone, 0,
        S_OFF(textLine1)),
    Row(kControlEdit, kText, 0, kLeft, 260, kFull, 22, 0, 7551, kBindTextLine, kLabelText, kCommandNone, 0,
        S_OFF(textLine2)),
    Row(kControlEdit, kText, 0, kLeft, 286, kFull, 22, 0, 7551, kBindTextLine, kLabelText, kCommandNone, 0,
        S_OFF(textLine3)),
    Check(kText, 0, kLeft, 318, kChecks, 7507, 7557, S_OFF(textZoomIn), kBindFlag, kStyleMarkRight),

    // 6. Special effects: the selector, then one group at a time.
    Title(kSpecial, 0, 48, 30, 7600),
    Button(kSpecial, 0, 160, 80, 110, 50, 7601, 7651, kCommandGroup, kDejaVu),
    Button(kSpecial, 0, 270, 80, 110, 50, 7602, 7652, kCommandGroup, kBursts),
    Button(kSpecial, 0, 380, 80, 110, 50, 7604, 7654, kCommandGroup, kSmallBursts),
    Button(kSpecial, 0, 160, 130, 110, 50, 7603, 7653, kCommandGroup, kCrash),
    Button(kSpecial, 0, 270, 130, 110, 50, 7606, 7656, kCommandGroup, kLightnings),
    Button(kSpecial, 0, 380, 130, 110, 50, 7605, 7655, kCommandGroup, kOther),
    Other(kControlDivider, kSpecial, kLeft, 184, kFull, 8, 0, kCommandNone),

    Title(kSpecial, kDejaVu, 200, 18, 6100),
    Check(kSpecial, kDejaVu, kLeft, 224, kHalf, 6101, 6151, S_OFF(dejaVuEnabled)),
    Check(kSpecial, kDejaVu, kRight, 224, kHalf, 6102, 6152, S_OFF(dejaVuKey)),
    Check(kSpecial, kDejaVu, kLeft, 246, kHalf, 6103, 6153, S_OFF(dejaVuRewrite)),
    Interval(kSpecial, kDejaVu, kLeft, 272, kFull, 6104, kSliderDejaVuInterval, 6131),
    Tick(kSpecial, kDejaVu, kLeft, 288, kFull, 6154, kSliderDejaVuInterval),
    Value(kSpecial, kDejaVu, kLeft, 314, kHalf, 6105, kSliderDejaVuSpeed),
    Value(kSpecial, kDejaVu, kRight, 314, kHalf, 6106, kSliderDejaVuBars),
    Tick(kSpecial, kDejaVu, kLeft, 330, kHalf, 6155, kSliderDejaVuSpeed),
    Tick(kSpecial, kDejaVu, kRight, 330, kHalf, 6156, kSliderDejaVuBars),
    Check(kSpecial, kDejaVu, kLeft, 358, kHalf, 6107, 6157, S_OFF(dejaVuBaseColor)),
    Check(kSpecial, kDejaVu, kRight, 358, kHalf, 6108, 6158, S_OFF(dejaVuSolidBars)),
    Check(kSpecial, kDejaVu, kLeft, 380, kHalf, 6109, 6159, S_OFF(dejaVuRandomize)),
    Check(kSpecial, kDejaVu, kRight, 380, kHalf, 6110, 6160, S_OFF(dejaVuSparse)),

    Title(kSpecial, kBursts, 200, 18, 6200),
    Check(kSpecial, kBursts, kLeft, 224, kHalf, 6201, 6251, S_OFF(burstsEnabled)),
    Check(kSpecial, kBursts, kRight, 224, kHalf, 6205, 6255, S_OFF(burstRandomPosition)),
    Check(kSpecial, kBursts, kLeft, 246, kHalf, 6212, 6262, S_OFF(burstRandomScreen)),
    Value(kSpecial, kBursts, kLeft, 272, kHalf, 6206, kSliderBurstSpeed),
    Value(kSpecial, kBursts, kRight, 272, kHalf, 6207, kSliderBurstBorder),
    Tick(kSpecial, kBursts, kLeft, 288, kHalf, 6256, kSliderBurstSpeed),
    Tick(kSpecial, kBursts, kRight, 288, kHalf, 6257, kSliderBurstBorder),
    Interval(kSpecial, kBursts, 265, 316, 225, 6208, kSliderBurstMovementInterval, 6211),
    Check(kSpecial, kBursts, kLeft, 332, 100, 6202, 6252, S_OFF(burstMovementKey)),
    Tick(kSpecial, kBursts, 265, 332, 225, 6258, kSliderBurstMovementInterval),
    Interval(kSpecial, kBursts, 265, 356, 225, 6209, kSliderBurstStillInterval, 6211),
    Check(kSpecial, kBursts, kLeft, 372, 100, 6203, 6253, S_OFF(burstStillKey)),
    Tick(kSpecial, kBursts, 265, 372, 225, 6259, kSliderBurstStillInterval),
    Interval(kSpecial, kBursts, 265, 396, 225, 6210, kSliderBurstTraceInterval, 6211),
    Check(kSpecial, kBursts, kLeft, 412, 100, 6204, 6254, S_OFF(burstTraceKey)),
    Tick(kSpecial, kBursts, 265, 412, 225, 6260, kSliderBurstTraceInterval),

    Title(kSpecial, kCrash, 200, 18, 6300),
    Check(kSpecial, kCrash, kLeft, 224, kHalf, 6601, 6651, S_OFF(crashEnabled)),
    Check(kSpecial, kCrash, kRight, 224, kHalf, 6602, 6652, S_OFF(crashKey)),
    Interval(kSpecial, kCrash, kLeft, 250, kHalf, 6603, kSliderCrashInterval, 6649),
    Value(kSpecial, kCrash, kRight, 250, kHalf, 6604, kSliderCrashEffects),
    Tick(kSpecial, kCrash, kLeft, 266, kHalf, 6654, kSliderCrashInterval),
    Tick(kSpecial, kCrash, kRight, 266, kHalf, 6653, kSliderCrashEffects),
    Check(kSpecial, kCrash, kLeft, 294, kHalf, 6611, 6661, S_OFF(crashFlashes)),
    Check(kSpecial, kCrash, kRight, 294, kHalf, 6612, 6662, S_OFF(crashDirtyFlashes)),
    Check(kSpecial, kCrash, kLeft, 316, kHalf, 6613, 6663, S_OFF(crashIncludeDejaVu)),
    Check(kSpecial, kCrash, kRight, 316, kHalf, 6614, 6664, S_OFF(crashIncludeDrops)),
    Check(kSpecial, kCrash, kLeft, 338, kHalf, 6615, 6665, S_OFF(crashIncludeLightnings)),
    Check(kSpecial, kCrash, kRight, 338, kHalf, 6616, 6666, S_OFF(crashIncludeBursts)),
    Check(kSpecial, kCrash, kLeft, 360, kHalf, 6617, 6667, S_OFF(crashIncludeSmallBursts)),
    Check(kSpecial, kCrash, kRight, 360, kHalf, 6618, 6668, S_OFF(crashScreenErrors)),
    Check(kSpecial, kCrash, kLeft, 382, kHalf, 6619, 6669, S_OFF(crashIncludeSuperman)),

    Title(kSpecial, kSmallBursts, 200, 18, 6400),
    Check(kSpecial, kSmallBursts, kLeft, 224, kHalf, 6301, 6351, S_OFF(smallBurstsEnabled)),
    Check(kSpecial, kSmallBursts, kRight, 224, kHalf, 6302, 6352, S_OFF(smallBurstsKey)),
    Check(kSpecial, kSmallBursts, kLeft, 246, kHalf, 6303, 6353, S_OFF(smallBurstsRandomScreen)),
    Value(kSpecial, kSmallBursts, kLeft, 272, kHalf, 6307, kSliderSmallBurstsNumber),
    Interval(kSpecial, kSmallBursts, kRight, 272, kHalf, 6305, kSliderSmallBurstsInterval, 6308),
    Tick(kSpecial, kSmallBursts, kLeft, 288, kHalf, 6357, kSliderSmallBurstsNumber),
    Tick(kSpecial, kSmallBursts, kRight, 288, kHalf, 6355, kSliderSmallBurstsInterval),
    Value(kSpecial, kSmallBursts, kLeft, 314, kHalf, 6306, kSliderSmallBurstsSpeed),
    Value(kSpecial, kSmallBursts, kRight, 314, kHalf, 6304, kSliderSmallBurstsBorder),
    Tick(kSpecial, kSmallBursts, kLeft, 330, kHalf, 6356, kSliderSmallBurstsSpeed),
    Tick(kSpecial, kSmallBursts, kRight, 330, kHalf, 6354, kSliderSmallBurstsBorder),
    Formatted(kSpecial, kSmallBursts, kLeft, 356, kHalf, kLine, 6309),
    Tick(kSpecial, kSmallBursts, kLeft, 372, kHalf, 6359, kSliderSmallBurstsSize),
    Check(kSpecial, kSmallBursts, kRight, 372, kHalf, 6310, 6360, S_OFF(smallBurstsRandomSize)),
    Check(kSpecial, kSmallBursts, kLeft, 400, kHalf, 6311, 6361, S_OFF(smallBurstsBlendOut)),
    Check(kSpecial, kSmallBursts, kRight, 400, kHalf, 6312, 6362, S_OFF(smallBurstsSolid)),

    Title(kSpecial, kOther, 200, 18, 6500),
    Check(kSpecial, kOther, kLeft, 224, kHalf, 6401, 6451, S_OFF(dropsEnabled)),
    Check(kSpecial, kOther, kRight, 224, kHalf, 6402, 6452, S_OFF(dropsKey)),
    Interval(kSpecial, kOther, kLeft, 250, kFull, 6403, kSliderDropsInterval, 6449),
    Tick(kSpecial, kOther, kLeft, 266, kFull, 6453, kSliderDropsInterval),
    Value(kSpecial, kOther, kLeft, 292, kFull, 6404, kSliderDropsNumber),
    Tick(kSpecial, kOther, kLeft, 308, kFull, 6454, kSliderDropsNumber),

    Title(kSpecial, kLightnings, 200, 18, 6600),
    Check(kSpecial, kLightnings, kLeft, 224, kHalf, 6501, 6551, S_OFF(lightningsEnabled)),
    Check(kSpecial, kLightnings, kRight, 224, kHalf, 6502, 6552, S_OFF(lightningsKey)),
    Interval(kSpecial, kLightnings, kLeft, 250, kHalf, 6503, kSliderLightningsInterval, 6549),
    Value(kSpecial, kLightnings, kRight, 250, kHalf, 6504, kSliderLightningsSpeed),
    Tick(kSpecial, kLightnings, kLeft, 266, kHalf, 6553, kSliderLightningsInterval),
    Tick(kSpecial, kLightnings, kRight, 266, kHalf, 6554, kSliderLightningsSpeed),
    Text(kSpecial, kLightnings, kLeft, 298, kFull, kLine, 6520),
    Check(kSpecial, kLightnings, kLeft, 318, kHalf, 6521, 6571, S_OFF(supermanEnabled)),
    Check(kSpecial, kLightnings, kRight, 318, kHalf, 6522, 6572, S_OFF(supermanKey)),
    Interval(kSpecial, kLightnings, kLeft, 344, kHalf, 6523, kSliderSupermanInterval, 6548),
    Value(kSpecial, kLightnings, kRight, 344, kHalf, 6524, kSliderSupermanSpeed),
    Tick(kSpecial, kLightnings, kLeft, 360, kHalf, 6573, kSliderSupermanInterval),
    Tick(kSpecial, kLightnings, kRight, 360, kHalf, 6574, kSliderSupermanSpeed),

    // 7. Global effects.
    Title(kGlobal, 0, 48, 18, 7700),
    Formatted(kGlobal, 0, kLeft, 72, kFull, kLine, 7701),
    Tick(kGlobal, 0, kLeft, 88, kFull, 7751, kSliderMotionBlurDepth),
    Formatted(kGlobal, 0, kLeft, 112, kFull, kLine, 7702),
    Tick(kGlobal, 0, kLeft, 128, kFull, 7752, kSliderVerticalBlurLevel),
    Formatted(kGlobal, 0, kLeft, 152, kFull, kLine, 7703),
    Tick(kGlobal, 0, kLeft, 168, kFull, 7753, kSliderHalo),
    Formatted(kGlobal, 0, kLeft, 192, kFull, kLine, 7708),
    Tick(kGlobal, 0, kLeft, 208, kFull, 7758, kSliderRadialDiffuse),
    Option(kGlobal, 240, 7704, 7754, S_OFF(renderLastFrame)),
    Option(kGlobal, 262, 7705, 7755, S_OFF(sharperHalo)),
    Option(kGlobal, 284, 7706, 7756, S_OFF(sharperVerticalBlur)),
    Option(kGlobal, 306, 7707, 7757, S_OFF(radialBlur)),

    // 8. Properties (the local options).
    Title(kProperties, 0, 48, 18, 7720),
    Option(kProperties, 72, 7721, 7771, L_OFF(showCounters), kBindLocalFlag),
    Option(kProperties, 94, 7722, 7772, L_OFF(reduceHardwareUsage), kBindLocalFlag),
    Option(kProperties, 116, 7723, 7773, L_OFF(soundEnabled), kBindLocalFlag),
    Option(kProperties, 138, 7725, 7775, L_OFF(detectMediaPlayer), kBindLocalFlag),
    Option(kProperties, 160, 7726, 7776, L_OFF(extremeLowTextures), kBindLocalFlag),
    Option(kProperties, 182, 7727, 7777, L_OFF(allowKeyboard), kBindLocalFlag),
    Option(kProperties, 204, 7728, 7778, L_OFF(allowMouse), kBindLocalFlag),
    Option(kProperties, 226, 7730, 7780, L_OFF(anisotropic), kBindLocalFlag),
    Check(kProperties, 0, kLeft, 252, kHalf, 7740, 7790, L_OFF(alwaysOnTop), kBindLocalFlag),
    Check(kProperties, 0, kRight, 252, kHalf, 7741, 7791, L_OFF(fadeOut), kBindLocalFlag),
    Text(kProperties, 0, kLeft, 282, kFull, kLine, 7724),
    Slider(kProperties, kLeft, 298, kFull, 7774, kBindVolume),
    Shows(kProperties, 0, kLeft, 324, kFull, kLine, 7729, kLabelTextureFilter),
    Slider(kProperties, kLeft, 340, kFull, 7779, kBindTextureFilter),
    Text(kProperties, 0, kLeft, 368, kFull, kLine, 7735),
    Other(kControlCombo, kProperties, kLeft, 386, 160, 220, 7781, kCommandResolution),
    Other(kControlCombo, kProperties, 325, 386, 75, 220, 7782, kCommandDepth),
    Other(kControlCombo, kProperties, 405, 386, 85, 220, 7783, kCommandRate),

    // 9. About.
    Title(kAbout, 0, 48, 18, 7800),
    Row(kControlLabel, kAbout, 0, kLeft, 76, kFull, kLine, 7801, 7853, kBindNone, kLabelVersion, kCommandNone,
        kStyleHinted),
    Text(kAbout, 0, kLeft, 98, kFull, 28, 7802),
    Other(kControlLink, kAbout, kLeft, 132, kFull, kLine, 8820, kCommandHomePage),
    Text(kAbout, 0, kLeft, 166, kFull, kLine, 7805, 7854),
    Button(kAbout, 0, kLeft, 184, 163, 30, 7806, 7856, kCommandSendFeedback),
    Button(kAbout, 0, 327, 184, 163, 30, 7807, 7857, kCommandCheckVersion),
    Text(kAbout, 0, kLeft, 230, kFull, 42, 8901),
};

#undef S_OFF
#undef L_OFF

}  // namespace

int ControlCount() { return static_cast<int>(sizeof kControls / sizeof kControls[0]); }

const ControlEntry& GetControlEntry(int index) {
    if (index < 0 || index >= ControlCount()) index = 0;
    return kControls[index];
}
