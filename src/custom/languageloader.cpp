#include "custom/languageloader.h"

#include "log/logline.h"

#include <memory>
#include <QCoreApplication>
#include <QTranslator>

namespace {
std::unique_ptr<QTranslator> &installedTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

void removeInstalled() {
    std::unique_ptr<QTranslator> &current = installedTranslator();
    if (current) {
        QCoreApplication::removeTranslator(current.get());
        current.reset();
    }
}

bool isChinese(int languageSetting) {
    return languageSetting == 0 || languageSetting == 2;
}
} // namespace

bool installLanguage(int languageSetting) {
    if (languageSetting < 0 || languageSetting >= 8) {
        LOG_ERROR << "unknown language setting" << languageSetting;
        return false;
    }
    const QString folder = QCoreApplication::applicationDirPath();
    const QString name =
        isChinese(languageSetting) ? QStringLiteral("language_zh") : QStringLiteral("language_en");
    // Loaded before the old one goes, so that a failed load keeps the language on screen.
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, folder)) {
        if (isChinese(languageSetting)) {
            removeInstalled();
            return true;
        }
        LOG_ERROR << "translation not loaded:" << folder + "/" + name + ".qm";
        return false;
    }
    removeInstalled();
    QCoreApplication::installTranslator(translator.get());
    installedTranslator() = std::move(translator);
    LOG_NOTE << "language installed:" << name << languageSetting;
    return true;
}

QString installedTranslationFile() {
    const std::unique_ptr<QTranslator> &current = installedTranslator();
    return current ? current->filePath() : QString();
}
