#pragma once
#include <QCheckBox>

// A tick item: a check box whose caption wraps onto further lines when it is wider than the
// box, so that the whole sentences of part 2 stay readable at the fixed page size.
class ItemCheck : public QCheckBox {
public:
    ItemCheck(const QString& caption, QWidget* parent);
    int heightForWidth(int width) const override;
    bool hasHeightForWidth() const override { return true; }
    // The caption broken into lines for the given widget width.
    QString wrappedText(int width) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    int textWidth(int width) const;
};
