// Row texts on screen. Names are bytes of the receiver's character table,
// shown as Latin-1; control bytes (C0, DEL and the C1 range) have no glyph and
// would draw as empty boxes or not at all, so each shows as one visible
// placeholder character. Only the drawn text changes: the image keeps them.
#pragma once

#include <QFont>
#include <QString>
#include <string>

namespace kavor {

bool IsControlByte(unsigned char byte);

// The replacement character when `font` has it, else '?'.
QChar ControlPlaceholder(const QFont& font);

// One character per byte, so padded columns stay aligned.
QString DisplayText(const std::string& bytes, QChar placeholder);

}  // namespace kavor
