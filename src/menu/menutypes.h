// The user preferences the menu and the settings window pass on: the UI
// language (stored as "config/language") and the work mode (stored as
// "config/workMode"). Plain values; any thread.
#pragma once

enum languageMode_e {
    LANGUAGE_ZH = 0,
    LANGUAGE_EN = 1,
    LANGUAGE_ZH_TW = 2,
    LANGUAGE_DE = 3,
    LANGUAGE_FR = 4,
    LANGUAGE_IT = 5,
    LANGUAGE_ES = 6,
    LANGUAGE_JA = 7,
    LANGUAGE_COUNT = 8
};

enum WorkMode_e { WORKMODE_SINGLE = 0, WORKMODE_MULTI = 1 };
