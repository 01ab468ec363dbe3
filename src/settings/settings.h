// The settings record (every look-and-behaviour option) and the local options
// record (per-computer options). Both are packed little-endian images that are
// stored byte for byte in the registry and, for settings, in preset files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kvs_version.h"

#pragma pack(push, 1)
struct SettingsRecord {
    float speed;                    //   0
    uint8_t reserved4;              //   4
    int32_t columns;                //   5
    int32_t rows;                   //   9
    uint8_t reserved13[4];          //  13
    int32_t charBlurLevel;          //  17
    float charEnglow;               //  21
    int32_t rotatorsOccurrence;     //  25
    int32_t positiveDensity;        //  29
    int32_t negativeDensity;        //  33
    float baseColor[3];             //  37
    int32_t glowingTracers;         //  49
    uint8_t noOverwriteTest;        //  53
    uint8_t reserved54;             //  54
    int32_t streamLength;           //  55
    int32_t pauseRarity;            //  59
    int32_t releaseIntervalLog2;    //  63
    int32_t releaseMaxTracers;      //  67
    int32_t splashInterval;         //  71
    int32_t splashMaxTracers;       //  75
    int32_t motionBlurDepth;        //  79
    int32_t verticalBlurLevel;      //  83
    int32_t speedVariability;       //  87
    uint8_t killingGround;          //  91
    float glowIntensity;            //  92
    uint8_t halo;                   //  96
    uint8_t plainErasers;           //  97
    uint8_t keepPattern;            //  98
    uint8_t textEnabled;            //  99
    uint8_t textHideTrailer;        // 100
    uint8_t textDoubleSpeedIn;      // 101
    uint8_t textRepeat;             // 102
    int32_t textInterval;           // 103
    char textLine1[128];            // 107
    char textLine2[128];            // 235
    char textLine3[128];            // 363
    uint8_t textDoubleSpeedOut;     // 491
    uint8_t reserved492[5];         // 492
    uint8_t dejaVuEnabled;          // 497
    uint8_t dejaVuKey;              // 498
    int32_t dejaVuInterval;         // 499
    uint8_t dejaVuRewrite;          // 503
    int32_t dejaVuSpeed;            // 504
    uint8_t reserved508[4];         // 508
    uint8_t rotatorsPlainFade;      // 512
    uint8_t reserved513[64];        // 513
    uint8_t burstsEnabled;          // 577
    uint8_t burstMovementKey;       // 578
    uint8_t burstStillKey;          // 579
    uint8_t burstTraceKey;          // 580
    uint8_t burstRandomPosition;    // 581
    int32_t burstBorder;            // 582
    int32_t burstSpeed;             // 586
    int32_t burstMovementInterval;  // 590
    int32_t burstStillInterval;     // 594
    int32_t burstTraceInterval;     // 598
    int32_t dejaVuBars;             // 602
    uint8_t burstRandomScreen;      // 606
    float accentColor[3];           // 607
    uint8_t textZoomIn;             // 619
    uint8_t renderLastFrame;        // 620
    uint8_t sharperVerticalBlur;    // 621
    uint8_t sharperHalo;            // 622
    uint8_t smallBurstsEnabled;     // 623
    uint8_t smallBurstsKey;         // 624
    uint8_t smallBurstsRandomScreen;// 625
    int32_t smallBurstsBorder;      // 626
    int32_t smallBurstsInterval;    // 630
    int32_t smallBurstsSpeed;       // 634
    int32_t smallBurstsNumber;      // 638
    float smallBurstsSize;          // 642
    uint8_t smallBurstsRandomSize;  // 646
    uint8_t smallBurstsBlendOut;    // 647
    uint8_t smallBurstsSolid;       // 648
    uint8_t consoleStart;           // 649
    uint8_t jumpInStart;            // 650
    uint8_t radialBlur;             // 651
    float radialDiffuse;            // 652
    uint8_t dejaVuBaseColor;        // 656
    uint8_t dejaVuSolidBars;        // 657
    uint8_t dejaVuRandomize;        // 658
    uint8_t dropsEnabled;           // 659
    uint8_t dropsKey;               // 660
    int32_t dropsInterval;          // 661
    int32_t dropsNumber;            // 665
    uint8_t lightningsEnabled;      // 669
    uint8_t lightningsKey;          // 670
    int32_t lightningsInterval;     // 671
    int32_t lightningsSpeed;        // 675
    uint8_t reserved679;            // 679
    uint8_t crashEnabled;           // 680
    uint8_t crashKey;               // 681
    uint8_t crashStable;            // 682
    uint8_t reserved683;            // 683
    int32_t crashInterval;          // 684
    int32_t crashEffects;           // 688
    uint8_t crashFlashes;           // 692
    uint8_t crashDirtyFlashes;      // 693
    uint8_t crashIncludeDejaVu;     // 694
    uint8_t crashIncludeDrops;      // 695
    uint8_t crashIncludeLightnings; // 696
    uint8_t crashIncludeBursts;     // 697
    uint8_t crashIncludeSmallBursts;// 698
    uint8_t dejaVuSparse;           // 699
    uint8_t crashScreenErrors;      // 700
    float charSize;                 // 701
    uint8_t supermanEnabled;        // 705
    uint8_t supermanKey;            // 706
    int32_t supermanInterval;       // 707
    int32_t supermanSpeed;          // 711
    uint8_t crashIncludeSuperman;   // 715
};

struct LocalOptionsRecord {
    uint8_t reduceHardwareUsage;    //   0
    uint8_t showCounters;           //   1
    uint8_t soundEnabled;           //   2
    int32_t volume;                 //   3
    uint8_t detectMediaPlayer;      //   7
    uint8_t extremeLowTextures;     //   8
    uint8_t allowKeyboard;          //   9
    uint8_t allowMouse;             //  10
    uint32_t customColors[16];      //  11
    int32_t textureFilter;          //  75
    uint8_t anisotropic;            //  79
    int32_t screenWidth;            //  80
    int32_t screenHeight;           //  84
    int32_t screenBits;             //  88
    int32_t screenHz;               //  92
    uint8_t registerPresetFiles;    //  96
    uint8_t feedbackFlag;           //  97
    uint8_t compressedBlurTextures; //  98
    uint8_t alwaysOnTop;            //  99
    uint8_t fadeOut;                // 100
};
#pragma pack(pop)

constexpr int kSettingsRecordSize = 716;
constexpr int kLocalOptionsRecordSize = 101;
constexpr float kProgramVersion = KVS_VERSION_NUMBER;  // VERSION, through kvs_version.h
// The largest grid the settings window can produce; larger stored grids are refused.
constexpr int32_t kMaxColumns = 263;
constexpr int32_t kMaxRows = 261;

static_assert(sizeof(SettingsRecord) == kSettingsRecordSize, "settings record image is 716 bytes");
static_assert(sizeof(LocalOptionsRecord) == kLocalOptionsRecordSize, "local options image is 101 bytes");

// The live records of the process.
extern SettingsRecord settings;
extern LocalOptionsRecord localOptions;

// Writes every default into `settings` and `localOptions`; reserved bytes are left alone.
void SetDefaultSettings();
// The same defaults into caller-owned records (reserved bytes untouched).
void FillDefaultSettings(SettingsRecord& s);
void FillDefaultLocalOptions(LocalOptionsRecord& l);

// The start-up validity rule: false when the record must be replaced by the defaults
// (columns outside 8..263, rows outside 6..261, or a speed of 0.0 or not finite).
bool IsSettingsRecordValid(const SettingsRecord& s);

// Run-time overrides, applied to the live record only and never stored.
void ApplyPreviewOverrides(SettingsRecord& s);        // preview mode
void ApplyMultiDisplayOverrides(SettingsRecord& s, int displayCount);  // full screen
