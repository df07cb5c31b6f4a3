#include "app/AnalyseDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <mutex>

namespace veilpane {

QImage LsbPlane(const QImage& image, int channel) {
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QImage plane(source.size(), QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(plane.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const int r = qRed(in[x]) & 1;
            const int g = qGreen(in[x]) & 1;
            const int b = qBlue(in[x]) & 1;
            if (channel == 3) {
                out[x] = qRgb(r * 255, g * 255, b * 255);
            } else {
                const int bit = channel == 0 ? r : channel == 1 ? g : b;
                out[x] = bit ? 0xFFFFFFFFu : 0xFF000000u;
            }
        }
    }
    return plane;
}

CBandCurve::CBandCurve(QWidget* parent) : QWidget(parent) {
    setMinimumSize(240, 120);
}

void CBandCurve::SetCurve(std::vector<double> rates, int imageHeight, int endRow) {
    m_rates = std::move(rates);
    m_imageHeight = imageHeight;
    m_endRow = endRow;
    update();
}

QSize CBandCurve::sizeHint() const {
    return {360, 160};
}

void CBandCurve::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    p.fillRect(rect(), colours.base());
    const int text = fontMetrics().height();
    // Rows run left to right, the estimated rate (0 to 1 of the samples) upwards.
    const QRectF plot = QRectF(rect()).adjusted(text * 2.2, text * 0.6, -text * 0.6, -text * 1.6);
    p.setPen(colours.color(QPalette::Text));
    p.drawRect(plot);
    p.drawText(QRectF(0, plot.top() - text * 0.5, plot.left() - 4, text), Qt::AlignRight,
               QStringLiteral("1"));
    p.drawText(QRectF(0, plot.bottom() - text * 0.5, plot.left() - 4, text), Qt::AlignRight,
               QStringLiteral("0"));
    p.drawText(QRectF(plot.left(), plot.bottom() + 2, plot.width(), text), Qt::AlignLeft,
               QStringLiteral("top row"));
    p.drawText(QRectF(plot.left(), plot.bottom() + 2, plot.width(), text), Qt::AlignRight,
               QStringLiteral("bottom row"));
    if (m_rates.empty() || m_imageHeight <= 0) {
        return;
    }
    const auto pointAt = [&](std::size_t band) {
        const double rate = std::clamp(m_rates[band], 0.0, 1.0);
        const double x = plot.left() + plot.width() * (static_cast<double>(band) + 0.5) /
                                           static_cast<double>(m_rates.size());
        return QPointF(x, plot.bottom() - rate * plot.height());
    };
    QPainterPath curve(pointAt(0));
    for (std::size_t band = 1; band < m_rates.size(); ++band) {
        curve.lineTo(pointAt(band));
    }
    p.setPen(QPen(colours.color(QPalette::Highlight), 1.5));
    p.drawPath(curve);
    if (m_endRow >= 0) {
        const double x = plot.left() + plot.width() * (m_endRow + 1.0) / m_imageHeight;
        p.setPen(QPen(QColor(0xD0, 0x30, 0x30), 1.5, Qt::DashLine));
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        p.setPen(colours.color(QPalette::Text));
        const QString label = QStringLiteral("likely end: row %1").arg(m_endRow + 1);
        const double width = fontMetrics().horizontalAdvance(label) + 8.0;
        const double left = x + width < plot.right() ? x + 4 : x - width;
        p.drawText(QRectF(left, plot.top() + 2, width, text), Qt::AlignLeft, label);
    }
}

// What the worker thread hands back; written before the thread ends, read after its finished signal. The
// lock makes that hand-over visible to tools that cannot see the one in Qt's event queue.
struct CAnalyseDlg::CWork {
    std::mutex Lock;
    CStegoAnalysis Result;
};

CAnalyseDlg::CAnalyseDlg(const CBitmap& image, const QString& name, QWidget* parent)
    : QDialog(parent), m_work(std::make_shared<CWork>()), m_image(image.Image()) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Analyse %1").arg(name));

    m_summary = new QLabel(QStringLiteral("Analysing ..."), this);
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_summary->setObjectName(QStringLiteral("Figures"));

    m_table = new QGridLayout;
    m_plane = new QLabel(this);
    m_plane->setAlignment(Qt::AlignCenter);
    m_plane->setMinimumSize(160, 120);
    m_channel = new QComboBox(this);
    m_channel->addItems({QStringLiteral("Red"), QStringLiteral("Green"), QStringLiteral("Blue"),
                         QStringLiteral("All three")});
    m_channel->setCurrentIndex(3);
    connect(m_channel, &QComboBox::currentIndexChanged, this, &CAnalyseDlg::ShowPlane);
    m_curve = new CBandCurve(this);

    auto* planeRow = new QHBoxLayout;
    auto* planeLabel = new QLabel(QStringLiteral("Lowest bits of:"), this);
    planeLabel->setBuddy(m_channel);
    planeRow->addWidget(planeLabel);
    planeRow->addWidget(m_channel);
    planeRow->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addLayout(m_table);
    layout->addLayout(planeRow);
    layout->addWidget(m_plane, 1);
    layout->addWidget(new QLabel(QStringLiteral("Estimate down the rows (weighted stego, blue):"), this));
    layout->addWidget(m_curve);
    layout->addWidget(buttons);
    ShowPlane();

    // The thread keeps the pixels and the result alive through its own references: the window may close
    // first, and the result then goes unread.
    QThread* thread = QThread::create([work = m_work, pixels = image.Copy()] {
        CStegoAnalysis result = AnalyseStego(pixels);
        const std::lock_guard lock(work->Lock);
        work->Result = std::move(result);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this, [this] {
        {
            const std::lock_guard lock(m_work->Lock);
            m_analysis = m_work->Result;
        }
        ShowAnalysis(*m_analysis);
        emit Analysed();
    });
    thread->start(QThread::LowPriority);
}

CAnalyseDlg::~CAnalyseDlg() = default;

void CAnalyseDlg::ShowPlane() {
    const QImage plane =
        LsbPlane(m_image.height() > 2048 || m_image.width() > 2048
                     ? m_image.copy(0, 0, std::min(m_image.width(), 2048), std::min(m_image.height(), 2048))
                     : m_image,
                 m_channel->currentIndex());
    // Nearest-neighbour scaling: smoothing would average the bits into grey.
    const QPixmap shown = QPixmap::fromImage(plane.scaled(QSize(400, 300).boundedTo(plane.size() * 4),
                                                          Qt::KeepAspectRatio, Qt::FastTransformation));
    // A label smaller than its picture would crop it: the window makes room for the whole plane.
    m_plane->setMinimumSize(shown.size());
    m_plane->setPixmap(shown);
}

QString CAnalyseDlg::FiguresText() const {
    return m_summary->text();
}

void CAnalyseDlg::ShowAnalysis(const CStegoAnalysis& analysis) {
    QStringList lines;
    switch (analysis.Verdict) {
    case StegoVerdict::Clean:
        lines << QStringLiteral(
            "Verdict: clean. Nothing like a payload written from the first pixel was found.");
        break;
    case StegoVerdict::Suspect:
        lines << QStringLiteral("Verdict: suspect. The top of the image looks in part like a payload written "
                                "from the first pixel.");
        break;
    case StegoVerdict::Stego:
        lines << QStringLiteral("Verdict: stego. The top of the image carries the pattern a payload written "
                                "from the first pixel leaves.");
        break;
    }
    if (analysis.EstimatedBytes > 0) {
        lines << QStringLiteral("Estimated payload: about %1 bytes, ending in row %2 of %3.")
                     .arg(analysis.EstimatedBytes)
                     .arg(analysis.PayloadEndRow + 1)
                     .arg(analysis.Height);
    }
    const CImageEstimates& whole = analysis.Whole;
    lines << QStringLiteral(
                 "Common tools, which flag a rate of %1 or more in a channel or a fused score above "
                 "%2, would %3 it: highest rate %4, fused score %5.")
                 .arg(GenericChannelThreshold)
                 .arg(GenericFusedThreshold)
                 .arg(whole.GenericFlag() ? QStringLiteral("flag") : QStringLiteral("not flag"))
                 .arg(whole.HighestRate(), 0, 'f', 3)
                 .arg(whole.FusedScore, 0, 'f', 3);
    lines << QStringLiteral("Chi-square: the blue value pairs look evened out over the top %1 % of the rows.")
                 .arg(100.0 * whole.ChiSquareShare, 0, 'f', 1);
    m_summary->setText(lines.join(QLatin1Char('\n')));

    const QStringList heads{QString(), QStringLiteral("SPA"), QStringLiteral("RS"), QStringLiteral("WS")};
    for (int column = 0; column < heads.size(); ++column) {
        m_table->addWidget(new QLabel(heads[column], this), 0, column, Qt::AlignRight);
    }
    const QStringList channels{QStringLiteral("Red"), QStringLiteral("Green"), QStringLiteral("Blue")};
    for (int c = 0; c < 3; ++c) {
        const CChannelEstimates& e = whole.Channels[static_cast<std::size_t>(c)];
        m_table->addWidget(new QLabel(channels[c], this), c + 1, 0);
        int column = 1;
        for (const double rate : {e.Spa, e.Rs, e.Ws}) {
            auto* cell = new QLabel(QString::number(rate, 'f', 3), this);
            // The figures a common tool would flag stand out.
            if (rate >= GenericChannelThreshold) {
                QFont bold = cell->font();
                bold.setBold(true);
                cell->setFont(bold);
            }
            m_table->addWidget(cell, c + 1, column++, Qt::AlignRight);
        }
    }
    m_curve->SetCurve(analysis.BandRates, static_cast<int>(analysis.Height),
                      analysis.EstimatedBytes > 0 ? analysis.PayloadEndRow : -1);
}

} // namespace veilpane
