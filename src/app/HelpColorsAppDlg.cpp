#include "app/HelpColorsAppDlg.h"

#include "browse/ThumbnailRender.h"
#include "stego/PayloadFormat.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace veilpane {

namespace {

constexpr QSize ThumbnailSize(150, 135);

// The colours and pen of the thumbnail list itself, so that the explanation never drifts from the list.
QColor FrameColor(std::int32_t kind) {
    return QColor::fromRgba(ThumbnailFrameColor(kind));
}

// A landscape wider than the thumbnail, so that it shows with white bands as real photographs do.
QImage SamplePicture() {
    QImage image(200, 150, QImage::Format_ARGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 150);
    sky.setColorAt(0, QColor(96, 160, 230));
    sky.setColorAt(1, QColor(200, 228, 250));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(252, 214, 70));
    p.drawEllipse(QPointF(150, 42), 18, 18);
    QPainterPath far;
    far.moveTo(0, 110);
    far.quadTo(60, 55, 120, 100);
    far.quadTo(160, 80, 200, 95);
    far.lineTo(200, 150);
    far.lineTo(0, 150);
    p.setBrush(QColor(90, 140, 110));
    p.drawPath(far);
    QPainterPath near;
    near.moveTo(0, 130);
    near.quadTo(100, 95, 200, 125);
    near.lineTo(200, 150);
    near.lineTo(0, 150);
    p.setBrush(QColor(70, 150, 60));
    p.drawPath(near);
    return image;
}

} // namespace

QImage CHelpColorsAppDlg::Thumbnail(std::int32_t kind) {
    QImage thumbnail(ThumbnailSize, QImage::Format_RGB32);
    const QRect drawn = DrawSample(thumbnail);
    if (kind > HiddenNothing) {
        QPainter p(&thumbnail);
        p.setPen(QPen(FrameColor(kind), ThumbnailFramePen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(drawn));
    }
    return thumbnail;
}

QImage CHelpColorsAppDlg::VerdictThumbnail(StegoVerdict verdict) {
    QImage thumbnail(ThumbnailSize, QImage::Format_RGB32);
    const QRect drawn = DrawSample(thumbnail);
    QPainter p(&thumbnail);
    DrawVerdictFrame(p, drawn, verdict);
    return thumbnail;
}

QRect CHelpColorsAppDlg::DrawSample(QImage& thumbnail) {
    const QImage source = SamplePicture();
    thumbnail.fill(Qt::white);
    // Uniform scale to the largest size that fits, centred, as the list does.
    const qreal sx = qreal(ThumbnailSize.width()) / source.width();
    const qreal sy = qreal(ThumbnailSize.height()) / source.height();
    const qreal scale = std::min(sx, sy);
    const int width = static_cast<int>(source.width() * scale);
    const int height = static_cast<int>(source.height() * scale);
    const QRect drawn(sx > sy ? static_cast<int>((ThumbnailSize.width() - width) * 0.5) : 0,
                      sx > sy ? 0 : static_cast<int>((ThumbnailSize.height() - height) * 0.5), width, height);
    QPainter p(&thumbnail);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(drawn, source);
    return drawn;
}

QImage CHelpColorsAppDlg::ThumbnailList(bool anyHidden) {
    const QList<std::int32_t> kinds =
        anyHidden ? QList<std::int32_t>{HiddenNothing, HiddenMessage, HiddenNothing, HiddenImage}
                  : QList<std::int32_t>{HiddenNothing, HiddenNothing, HiddenNothing, HiddenNothing};
    constexpr QSize cell(84, 86);
    QImage list(cell.width() * 2 + 12, cell.height() * 2 + 8, QImage::Format_RGB32);
    list.fill(QColor::fromRgb(anyHidden ? ListBackgroundHidden : ListBackgroundPlain));
    QPainter p(&list);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int i = 0; i < kinds.size(); ++i) {
        const QPoint origin(6 + (i % 2) * cell.width(), 4 + (i / 2) * cell.height());
        const QImage thumbnail =
            Thumbnail(kinds[i]).scaled(75, 68, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        p.drawImage(origin + QPoint(4, 0), thumbnail);
        // The file name under the thumbnail, as a grey line.
        p.fillRect(QRect(origin + QPoint(18, 72), QSize(48, 4)), QColor(150, 150, 150));
    }
    p.setPen(QColor(160, 160, 160));
    p.drawRect(list.rect().adjusted(0, 0, -1, -1));
    return list;
}

CHelpColorsAppDlg::CHelpColorsAppDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Frame colors of the thumbnails"));

    auto picture = [this](const QImage& image) {
        auto* label = new QLabel(this);
        label->setPixmap(QPixmap::fromImage(image));
        label->setAlignment(Qt::AlignCenter);
        return label;
    };
    auto text = [this](const QString& content) {
        auto* label = new QLabel(content, this);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        return label;
    };

    struct CPlace {
        std::int32_t Kind;
        QString Text;
    };
    const QList<CPlace> places = {
        {HiddenImage, QStringLiteral("The image contains a hidden image:")},
        {HiddenMessage, QStringLiteral("The image contains a secret message:")},
        {HiddenFile, QStringLiteral("The image contains another type of hidden file:")},
        {HiddenNothing, QStringLiteral("The image doesn't contain hidden information:")},
    };
    auto* frames = new QGridLayout;
    for (int i = 0; i < places.size(); ++i) {
        frames->addWidget(text(places[i].Text), 0, i);
        frames->addWidget(picture(Thumbnail(places[i].Kind)), 1, i);
    }

    auto* note =
        new QLabel(QStringLiteral("If the thumbnail doesn't have a color frame, the image doesn't contain "
                                  "hidden information or the password to extract that information is "
                                  "not available."),
                   this);
    note->setWordWrap(true);

    auto* verdictHeading = new QLabel(
        QStringLiteral("With View > Frame by analysis verdict, also when no password opens it:"), this);
    auto* verdicts = new QGridLayout;
    const QList<std::pair<StegoVerdict, QString>> verdictPlaces = {
        {StegoVerdict::Stego, QStringLiteral("The analysis finds hidden content in the image (stego):")},
        {StegoVerdict::Suspect, QStringLiteral("The analysis suspects hidden content (suspect):")},
    };
    for (int i = 0; i < verdictPlaces.size(); ++i) {
        verdicts->addWidget(text(verdictPlaces[i].second), 0, i);
        verdicts->addWidget(picture(VerdictThumbnail(verdictPlaces[i].first)), 1, i);
    }
    auto* verdictNote = new QLabel(
        QStringLiteral(
            "PNG, BMP and TIFF images up to 50 megapixels are analysed; JPEG and GIF images, which "
            "Veilpane never hides in, are not. The frame of what the passwords open comes first."),
        this);
    verdictNote->setWordWrap(true);

    auto* heading = new QLabel(QStringLiteral("Background color of the thumbnails window:"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    verdictHeading->setFont(bold);

    auto* backgrounds = new QGridLayout;
    backgrounds->addWidget(picture(ThumbnailList(true)), 0, 0);
    backgrounds->addWidget(picture(ThumbnailList(false)), 0, 1);
    auto* yellowText =
        new QLabel(QStringLiteral("The folder contains some images with hidden information."), this);
    auto* whiteText =
        new QLabel(QStringLiteral("The folder doesn't contain any images with hidden information or "
                                  "the password to extract that information is not available."),
                   this);
    for (QLabel* label : {yellowText, whiteText}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    backgrounds->addWidget(yellowText, 1, 0);
    backgrounds->addWidget(whiteText, 1, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);

    // The explanations scroll when the screen is too short for them (a laptop at 150 %); the OK button
    // stays in reach below them.
    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(frames);
    layout->addWidget(note);
    layout->addSpacing(8);
    layout->addWidget(verdictHeading);
    layout->addLayout(verdicts);
    layout->addWidget(verdictNote);
    layout->addSpacing(8);
    layout->addWidget(heading);
    layout->addLayout(backgrounds);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(scroll);
    outer->addLayout(buttons);

    // A scroll area asks for little room of its own: the dialog takes what its content wants, up to the
    // screen it opens on, less room for the window's title bar.
    QSize wanted = content->sizeHint() + QSize(scroll->verticalScrollBar()->sizeHint().width(), 0);
    wanted.rheight() += buttons->sizeHint().height() + outer->spacing();
    const QMargins margins = outer->contentsMargins();
    wanted += QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
    if (const QScreen* shown = parent ? parent->screen() : screen(); shown) {
        const QSize room = shown->availableGeometry().size() - QSize(16, 48);
        wanted = wanted.boundedTo(room);
    }
    resize(wanted);
}

} // namespace veilpane
