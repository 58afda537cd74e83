#pragma once

#include <QFrame>
#include <QImage>

#include <optional>

// A picture box of the palette picker: a 2-pixel sunken frame round an inner area that is filled
// with a back colour (a 0x00BBGGRR value) and can carry a picture drawn at its top left. It reports
// pointer moves over its inner area and clicks (press and release on it).
class PictureBox : public QFrame {
    Q_OBJECT
public:
    static constexpr int FrameWidth = 2;

    explicit PictureBox(QWidget* parent);

    qint32 backColour() const { return backColour_; }
    // Fills the inner area with the colour, erasing whatever was drawn.
    void setBackColour(qint32 colour);
    // What is drawn over the back colour; its size is the inner area's (the palette's is smaller).
    QImage& canvas() { return canvas_; }
    const QImage& canvas() const { return canvas_; }
    void setCanvas(const QImage& image);
    QSize innerSize() const { return contentsRect().size(); }
    // A cross-hair over the inner area at `at` (inner coordinates), or none.
    void setCrossHair(std::optional<QPoint> at);
    std::optional<QPoint> crossHair() const { return crossHair_; }

signals:
    void pointerMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint inner);
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    qint32 backColour_ = 0;
    QImage canvas_;
    bool pressed_ = false;
    bool hasPicture_ = false; // the canvas is a picture of its own size, not the inner area's fill
    std::optional<QPoint> crossHair_;
};
