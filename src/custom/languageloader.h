// installLanguage: puts the translation of the chosen language on the
// application. The compiled translations (language_zh.qm, language_en.qm) lie
// beside the program. Replaces the one installed before, so a switch of
// language needs only another call (windows then retranslate themselves on
// QEvent::LanguageChange). GUI thread only.
#pragma once

// languageSetting: 0 Chinese (the source texts; its file is optional),
// 1 English. False when the English file is missing or unreadable, or the
// setting is unknown; the texts then stay Chinese.
bool installLanguage(int languageSetting);
