#pragma once

#include "platform/Bitmap.h"
#include "stego/StegoAnalysis.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QGridLayout;
class QLabel;

namespace veilpane {

// The lowest bits of one channel (0 red, 1 green, 2 blue) in black and white, or of all three as the
// colour they make (3). A payload written from the top shows as noise above a picture's own texture.
QImage LsbPlane(const QImage& image, int channel);

// The estimate per band of rows, top to bottom, with the most likely end of a payload written from the top
// marked.
class CBandCurve final : public QWidget {
    Q_OBJECT
public:
    explicit CBandCurve(QWidget* parent = nullptr);
    void SetCurve(std::vector<double> rates, int imageHeight, int endRow);
    int MarkedRow() const { return m_endRow; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<double> m_rates;
    int m_imageHeight = 0;
    int m_endRow = -1;
};

// How detectable the current image's hidden content is, measured without a password: the figures of the
// analysis, what common tools would conclude, the image's lowest-bit plane and the estimate down the rows.
// The analysis runs off the user-interface thread; the window shows its figures when it is done.
class CAnalyseDlg final : public QDialog {
    Q_OBJECT
public:
    CAnalyseDlg(const CBitmap& image, const QString& name, QWidget* parent = nullptr);
    ~CAnalyseDlg() override;

    const std::optional<CStegoAnalysis>& Analysis() const { return m_analysis; }
    QString FiguresText() const;

signals:
    void Analysed();

private:
    void ShowAnalysis(const CStegoAnalysis& analysis);
    void ShowPlane();

    struct CWork;
    std::shared_ptr<CWork> m_work;
    QImage m_image;
    std::optional<CStegoAnalysis> m_analysis;
    QLabel* m_summary = nullptr;
    QGridLayout* m_table = nullptr;
    QLabel* m_plane = nullptr;
    QComboBox* m_channel = nullptr;
    CBandCurve* m_curve = nullptr;
};

} // namespace veilpane
