#pragma once

#include <QAbstractSpinBox>

// An edit box for a number typed with digits, with spin arrows on its
// right. Unlike QSpinBox it keeps whatever was typed, even an empty box or
// a number beyond the arrows' range, so the page can refuse it when the
// value is taken; only the arrows (and the arrow keys) keep to the range.
class CDigitSpinBox final : public QAbstractSpinBox
{
    Q_OBJECT
    Q_DISABLE_COPY(CDigitSpinBox)

public:
    explicit CDigitSpinBox(QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum);
    QString Text() const;
    void SetText(const QString& text);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

signals:
    // The user typed or stepped; programmatic changes stay silent.
    void textEditedByUser();

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_nMinimum = 0;
    int m_nMaximum = 9999;
};
