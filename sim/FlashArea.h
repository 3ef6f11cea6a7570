#pragma once

#include <QByteArray>

// One FLASH area of the unit, behaving like NOR FLASH: erasing sets every byte to 0xFF,
// programming can only clear bits (the new byte is ANDed into the old one).
class FlashArea
{
public:
    explicit FlashArea(qsizetype size);

    qsizetype size() const { return m_bytes.size(); }
    const QByteArray& contents() const { return m_bytes; }
    bool isBlank() const;

    void erase();
    // ANDs value into the byte at offset; offsets outside the area are ignored.
    void program(qsizetype offset, char value);
    // Replaces the contents with a stored image; refused (false) unless the sizes match.
    bool load(const QByteArray& image);

private:
    QByteArray m_bytes;
};
