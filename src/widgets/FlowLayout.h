#pragma once

#include <QLayout>
#include <QList>

namespace calc {

/// Lays its widgets out side by side and wraps them onto further lines when the width runs out;
/// it asks for the height its lines take at the width it gets. The widgets of a line are
/// centred on the line, so that labels stand level with the fields beside them.
class TFlowLayout final : public QLayout {
    Q_OBJECT
public:
    explicit TFlowLayout(QWidget* parent = nullptr, int spacing = 4);
    ~TFlowLayout() override;
    TFlowLayout(const TFlowLayout&) = delete;
    TFlowLayout& operator=(const TFlowLayout&) = delete;

    void addItem(QLayoutItem* item) override;
    [[nodiscard]] int count() const override { return static_cast<int>(FItems.size()); }
    [[nodiscard]] QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    [[nodiscard]] Qt::Orientations expandingDirections() const override { return {}; }
    [[nodiscard]] bool hasHeightForWidth() const override { return true; }
    [[nodiscard]] int heightForWidth(int width) const override;
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    /// Places the items in rect (only measures when apply is false); answers the height used.
    int DoLayout(const QRect& rect, bool apply) const;
    void PlaceLine(qsizetype first, qsizetype last, int x, int y, int width, int lineHeight) const;

    QList<QLayoutItem*> FItems;
};

} // namespace calc
