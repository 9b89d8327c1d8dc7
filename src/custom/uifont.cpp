#include "custom/uifont.h"

#include <QApplication>
#include <QFont>

void installUiFont() {
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(14);
    QApplication::setFont(font);
}
