#pragma once

#include <QDialog>

namespace veilpane {

// A tool window of the main frame (Folders, Image Preview): a dialog without Cancel, which only its close
// button and the frame's toggle hide, and which reports every show and hide that is not the system's
// (the frame minimised, say) so that the toggle's check mark follows.
class CToolWindowDlg : public QDialog {
    Q_OBJECT

public:
    explicit CToolWindowDlg(QWidget* parent);

signals:
    void ShownChanged(bool shown);

protected:
    // Escape would close the window like a dialog's Cancel, behind the toggle's back; it comes here
    // instead, and does nothing unless a window gives it a meaning.
    virtual void OnEscape() {}

    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
};

} // namespace veilpane
