#include "model/IconvConverter.h"

#include <QSysInfo>
#include <algorithm>
#include <cerrno>

namespace {
// The UTF-16 form of QString in memory.
const char* const kUtf16 = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Runs iconv until it took all input or stopped at an error other than a
// full output buffer, growing the output as needed. A null input flushes the
// converter's held-back output. Returns 0 or the errno that stopped it.
int Pump(iconv_t cd, char** in, size_t* inLeft, QByteArray& out)
{
    for (;;) {
        const qsizetype used = out.size();
        const qsizetype room = qsizetype(inLeft ? *inLeft : 0) * 2 + 32;
        out.resize(used + room);
        char* outPtr = out.data() + used;
        size_t outLeft = size_t(room);
        const size_t result = iconv(cd, in, inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.resize(outPtr - out.data());
        if (result != size_t(-1)) {
            return 0;
        }
        if (error != E2BIG) {
            return error;
        }
    }
}

QString FromUtf16Bytes(const QByteArray& utf16)
{
    return QString(reinterpret_cast<const QChar*>(utf16.constData()), utf16.size() / 2);
}
} // namespace

std::unique_ptr<CIconvConverter> CIconvConverter::Open(const char* charset, const Options& options)
{
    const iconv_t decoder = iconv_open(kUtf16, charset);
    if (decoder == kNoConverter) {
        return nullptr;
    }
    const iconv_t encoder = iconv_open(charset, kUtf16);
    if (encoder == kNoConverter) {
        iconv_close(decoder);
        return nullptr;
    }
    return std::unique_ptr<CIconvConverter>(new CIconvConverter(decoder, encoder, options));
}

CIconvConverter::CIconvConverter(iconv_t decoder, iconv_t encoder, const Options& options)
    : m_decoder(decoder), m_encoder(encoder), m_options(options)
{
}

CIconvConverter::~CIconvConverter()
{
    iconv_close(m_decoder);
    iconv_close(m_encoder);
}

void CIconvConverter::Convert(QByteArrayView bytes, QByteArray& utf16)
{
    QByteArray input = m_tail;
    input.append(bytes.data(), bytes.size());
    m_tail.clear();
    char* in = input.data();
    size_t inLeft = size_t(input.size());
    utf16.reserve(input.size() * 2 + 32);
    while (inLeft > 0) {
        const int error = Pump(m_decoder, &in, &inLeft, utf16);
        if (error == EILSEQ) {
            // A letter held back for a combining mark (Windows-1255, -1258)
            // comes before the replacement of the byte that follows it.
            if (!m_options.shiftState) {
                Pump(m_decoder, nullptr, nullptr, utf16);
            }
            const char16_t replacement = QChar::ReplacementCharacter;
            utf16.append(reinterpret_cast<const char*>(&replacement), 2);
            const size_t skip = std::min(inLeft, size_t(m_options.skipOnError));
            in += skip;
            inLeft -= skip;
        } else if (error == EINVAL) {
            m_tail = QByteArray(in, qsizetype(inLeft));
            break;
        } else if (error != 0) {
            break; // iconv failed in a way it shouldn't; drop the rest rather than loop
        }
    }
}

QString CIconvConverter::Decode(QByteArrayView bytes)
{
    QByteArray utf16;
    Convert(bytes, utf16);
    if (!m_options.shiftState) {
        Pump(m_decoder, nullptr, nullptr, utf16);
    }
    return FromUtf16Bytes(utf16);
}

QString CIconvConverter::Finish()
{
    QByteArray utf16;
    Pump(m_decoder, nullptr, nullptr, utf16);
    if (!m_tail.isEmpty()) {
        const char16_t replacement = QChar::ReplacementCharacter;
        utf16.append(reinterpret_cast<const char*>(&replacement), 2);
        m_tail.clear();
    }
    iconv(m_decoder, nullptr, nullptr, nullptr, nullptr);
    return FromUtf16Bytes(utf16);
}

QByteArray CIconvConverter::Encode(QStringView text) const
{
    iconv(m_encoder, nullptr, nullptr, nullptr, nullptr);
    QByteArray bytes;
    bytes.reserve(text.size() * 2 + 16);
    // iconv takes a non-const input pointer but does not write through it.
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.utf16()));
    size_t inLeft = size_t(text.size()) * 2;
    while (inLeft > 0) {
        const int error = Pump(m_encoder, &in, &inLeft, bytes);
        if (error != EILSEQ && error != EINVAL) {
            break;
        }
        // Written through the converter so that it leaves any shifted mode first.
        char16_t question = u'?';
        char* questionIn = reinterpret_cast<char*>(&question);
        size_t questionLeft = 2;
        Pump(m_encoder, &questionIn, &questionLeft, bytes);
        const QStringView rest(reinterpret_cast<const char16_t*>(in), qsizetype(inLeft / 2));
        const size_t units =
            rest.size() >= 2 && rest[0].isHighSurrogate() && rest[1].isLowSurrogate() ? 2 : 1;
        in += units * 2;
        inLeft -= std::min(inLeft, units * 2);
    }
    Pump(m_encoder, nullptr, nullptr, bytes);
    iconv(m_encoder, nullptr, nullptr, nullptr, nullptr);

    if (!m_options.designation.isEmpty()) {
        if (bytes.startsWith(m_options.designation)) {
            bytes.remove(0, m_options.designation.size());
        }
        if (bytes.contains('\x0E')) {
            bytes.prepend(m_options.designation);
        }
    }
    return bytes;
}
