// installUiFont: the application font every window inherits: Microsoft YaHei
// where Windows has it, else Noto Sans CJK SC, at 14 px. Style sheets then set
// only sizes and weights. Call once on the GUI thread after QApplication exists.
#pragma once

void installUiFont();
