#include "app/TextLengthLimit.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <memory>

namespace veilpane {

namespace {

struct CLastChange {
    int Position = 0;
    int Added = 0;
    bool Trimming = false;
};

} // namespace

void LimitTextLength(QPlainTextEdit* edit, int maxLength) {
    QTextDocument* document = edit->document();
    auto change = std::make_shared<CLastChange>();
    // Where the change happened is only told before the text is complete; it is cut once it is.
    QObject::connect(document, &QTextDocument::contentsChange, edit, [change](int position, int, int added) {
        if (!change->Trimming) {
            change->Position = position;
            change->Added = added;
        }
    });
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, change, maxLength] {
        QTextDocument* doc = edit->document();
        const int length = doc->characterCount() - 1; // without the closing paragraph mark
        const int excess = length - maxLength;
        if (change->Trimming || excess <= 0) {
            return;
        }
        const int end = std::min(change->Position + change->Added, length);
        int from = std::max(end - excess, 0);
        if (from > 0 && doc->characterAt(from).isLowSurrogate()) {
            --from;
        }
        change->Trimming = true;
        QTextCursor cursor(doc);
        cursor.setPosition(from);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        // A text set from outside that was already too long loses its end.
        const int left = doc->characterCount() - 1;
        if (left > maxLength) {
            int cut = maxLength;
            if (doc->characterAt(cut).isLowSurrogate()) {
                --cut;
            }
            cursor.setPosition(cut);
            cursor.setPosition(left, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        change->Trimming = false;
    });
}

} // namespace veilpane
