#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace veilpane {

std::optional<QString> CQtClipboard::GetText() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText()) {
        return std::nullopt;
    }
    return data->text();
}

bool CQtClipboard::SetText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(text);
    // Some platforms refuse the clipboard silently; reading back is the only way to know.
    return clipboard->text() == text;
}

} // namespace veilpane
