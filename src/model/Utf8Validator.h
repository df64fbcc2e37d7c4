#pragma once

#include <QByteArrayView>

// Streaming check that a byte stream is well-formed UTF-8 in the strict
// sense: no overlong forms, no encoded surrogates, nothing above U+10FFFF.
// A sequence may be split across Feed calls.
class CUtf8Validator final
{
public:
    void Feed(QByteArrayView bytes);
    // True when everything fed was valid and no sequence is left open. It
    // does not change the state, so it may be asked more than once.
    bool Finish();
    // True while no invalid byte has been seen; an open sequence at the end
    // still counts as valid here.
    bool IsValidSoFar() const { return m_bValid; }

    // Length of the sequence a lead byte starts (1 to 4), 0 when the byte
    // can't start one.
    static int SequenceLength(uchar lead);
    // Whether a byte may follow the bytes already taken of a sequence; the
    // allowed range of the second byte depends on the lead (this is what
    // rules out overlongs, surrogates and values above U+10FFFF).
    static bool AcceptsNext(uchar lead, int index, uchar byte);

private:
    bool m_bValid = true;
    uchar m_lead = 0;
    int m_nLength = 0; // of the open sequence, 0 when none is open
    int m_nTaken = 0;
};
