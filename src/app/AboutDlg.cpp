#include "app/AboutDlg.h"

#include "app/CommandIcons.h"
#include "platform/MessageBoxes.h"
#include "platform/ProductLine.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace veilpane {

namespace {

// A clickable address; Qt opens it in the user's browser.
QLabel* LinkLabel(const QString& address, QWidget* parent) {
    auto* label = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(address.toHtmlEscaped()), parent);
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    label->setOpenExternalLinks(true);
    return label;
}

} // namespace

QString CAboutDlg::ProductLine() {
    return veilpane::ProductLine();
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About ") + ApplicationTitle);

    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* product = new QLabel(ProductLine(), this);
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    auto* terms = new QLabel(
        QStringLiteral(
            "Free software, distributed in the hope that it will be useful, but without any warranty."),
        this);
    terms->setWordWrap(true);

    auto* credits = new QVBoxLayout;
    credits->setSpacing(2);
    credits->addWidget(new QLabel(QStringLiteral("AES256 Crypto++ encryption algorithm:"), this));
    credits->addWidget(LinkLabel(QString::fromLatin1(CryptoLibraryAddress), this));
    credits->addSpacing(6);
    credits->addWidget(new QLabel(QStringLiteral("Built on the Qt application framework:"), this));
    credits->addWidget(LinkLabel(QStringLiteral("https://www.qt.io"), this));
    credits->addSpacing(6);
    credits->addWidget(
        new QLabel(QStringLiteral("Icons and pictures drawn by the Veilpane developers."), this));

    auto* text = new QVBoxLayout;
    text->addWidget(product);
    text->addWidget(terms);
    text->addSpacing(8);
    text->addLayout(credits);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addLayout(text, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    setMinimumWidth(360);
}

} // namespace veilpane
