#pragma once

#include <QDockWidget>

namespace veilpane {

// A tool window of the main frame (Folders, Image Preview): a dock widget, docked beside the thumbnails
// or floating, which only its close button and the frame's toggle hide. It reports every show and hide
// of its own (not those that come with the main window's) so that the toggle's check mark follows.
class CToolWindowDlg : public QDockWidget {
    Q_OBJECT

public:
    // name: the stable object name the main window's saved layout knows the window by.
    CToolWindowDlg(const QString& title, const QString& name, QWidget* parent);

    // The rectangle to remember, in screen coordinates: where the window is, docked or floating.
    virtual QRect NormalRect() const;

signals:
    void ShownChanged(bool shown);

protected:
    // Escape does nothing unless a window gives it a meaning.
    virtual void OnEscape() {}

    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
};

} // namespace veilpane
