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
} // namespace

bool installLanguage(int languageSetting) {
    if (languageSetting != 0 && languageSetting != 1) {
        LOG_ERROR << "unknown language setting" << languageSetting;
        return false;
    }
    std::unique_ptr<QTranslator> &current = installedTranslator();
    if (current) {
        QCoreApplication::removeTranslator(current.get());
        current.reset();
    }

    const bool english = languageSetting == 1;
    const QString folder = QCoreApplication::applicationDirPath();
    const QString name = english ? QStringLiteral("language_en") : QStringLiteral("language_zh");
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, folder)) {
        // The source texts are Chinese: without its file Chinese still shows.
        if (!english)
            return true;
        LOG_ERROR << "translation not loaded:" << folder + "/" + name + ".qm";
        return false;
    }
    QCoreApplication::installTranslator(translator.get());
    current = std::move(translator);
    LOG_NOTE << "language installed:" << name;
    return true;
}
