#pragma once

#include "model/CharsetConverter.h"

// HZ: GB 2312 text in 7 bits. "~{" switches to pairs of GB 2312 bytes with
// the high bits cleared, "~}" back to ASCII; "~~" is a tilde and "~" before a
// line end joins two lines.
class CHzConverter final : public CCharsetConverter
{
public:
    QString Decode(QByteArrayView bytes) override;
    QString Finish() override;
    QByteArray Encode(QStringView text) const override;

private:
    bool m_bGb = false;
    QByteArray m_pending; // a '~' or half a pair cut off at the end
};
