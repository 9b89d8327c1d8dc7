// installLanguage: puts the translation of the chosen language on the
// application. The compiled translations (language_zh.qm, language_en.qm) lie
// beside the program. Replaces the one installed before, so a switch of
// language needs only another call (windows then retranslate themselves on
// QEvent::LanguageChange). GUI thread only.
#pragma once

#include <QString>

// languageSetting 0-7 (languageMode_e). The Chinese settings (0, 2) read
// language_zh.qm, the others language_en.qm. False for an unknown setting or
// when a non-Chinese file is missing or unreadable; the language installed
// before then stays. The Chinese file is optional: the source texts are
// Chinese, so without it the translation is only taken off.
bool installLanguage(int languageSetting);

// The file of the translation installed now, empty when none is.
QString installedTranslationFile();
