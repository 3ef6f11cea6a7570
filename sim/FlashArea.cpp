#include "sim/FlashArea.h"

namespace {
constexpr char Erased = char(0xFF);
}

FlashArea::FlashArea(qsizetype size) : m_bytes(size, Erased) {}

bool FlashArea::isBlank() const
{
    for (char b : m_bytes) {
        if (b != Erased)
            return false;
    }
    return true;
}

void FlashArea::erase()
{
    m_bytes.fill(Erased);
}

void FlashArea::program(qsizetype offset, char value)
{
    if (offset < 0 || offset >= m_bytes.size())
        return;
    m_bytes[offset] = char(m_bytes[offset] & value);
}

bool FlashArea::load(const QByteArray& image)
{
    if (image.size() != m_bytes.size())
        return false;
    m_bytes = image;
    return true;
}
