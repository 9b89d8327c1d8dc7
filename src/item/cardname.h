// The camera cards' rename rule, applied when editing of a card's name field
// finishes: an empty field gets the stored name back, an unchanged name only
// resets the field, and any other text becomes the stored name and is
// returned for the card to report. The field loses its focus in every case.
// GUI thread only.
#pragma once

#include <QString>

class QLineEdit;

// The new name, or an empty string when nothing was renamed.
QString finishNameEdit(QLineEdit *field, QString &storedName);
