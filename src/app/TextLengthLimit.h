#pragma once

class QPlainTextEdit;

namespace veilpane {

// Keeps a multi-line edit at most maxLength characters long, as a single-line edit's limit does: of what
// is typed or pasted, only as much as fits is kept, and the text already there stays whole. Never cuts a
// character in half.
void LimitTextLength(QPlainTextEdit* edit, int maxLength);

} // namespace veilpane
