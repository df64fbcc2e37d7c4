#include "gui/widgets/DigitSpinBox.h"

#include <QLineEdit>

CDigitSpinBox::CDigitSpinBox(QWidget* parent) : QAbstractSpinBox(parent)
{
    setAccelerated(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    connect(lineEdit(), &QLineEdit::textEdited, this, &CDigitSpinBox::textEditedByUser);
}

void CDigitSpinBox::SetRange(int minimum, int maximum)
{
    m_nMinimum = minimum;
    m_nMaximum = qMax(minimum, maximum);
}

QString CDigitSpinBox::Text() const
{
    return lineEdit()->text();
}

void CDigitSpinBox::SetText(const QString& text)
{
    lineEdit()->setText(text);
}

void CDigitSpinBox::stepBy(int steps)
{
    bool ok = false;
    const qint64 current = Text().toLongLong(&ok);
    const qint64 base = ok ? current : m_nMinimum;
    const qint64 next = qBound(qint64(m_nMinimum), base + steps, qint64(m_nMaximum));
    if (ok && next == current) {
        return;
    }
    lineEdit()->setText(QString::number(next));
    lineEdit()->selectAll();
    emit textEditedByUser();
}

QValidator::State CDigitSpinBox::validate(QString& input, int&) const
{
    for (const QChar c : input) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return QValidator::Invalid;
        }
    }
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled CDigitSpinBox::stepEnabled() const
{
    if (isReadOnly()) {
        return StepNone;
    }
    return StepUpEnabled | StepDownEnabled;
}
