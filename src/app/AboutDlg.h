#pragma once

#include <QDialog>

namespace veilpane {

// "About Veilpane": the product line, its terms and the credits.
class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    static QString ProductLine();
    static constexpr char CryptoLibraryAddress[] = "https://www.cryptopp.com";
};

} // namespace veilpane
