#pragma once

#include <QtGlobal>

// Owns the raw sample bytes of the loaded wave. The memory is an anonymous private mapping
// reserved without commitment: pages that are never written stay unbacked zero pages, so a data
// chunk that declares far more than the file holds costs only what was actually read.
class SampleBuffer
{
public:
    SampleBuffer() = default;
    ~SampleBuffer();
    SampleBuffer(SampleBuffer&& other) noexcept;
    SampleBuffer& operator=(SampleBuffer&& other) noexcept;
    SampleBuffer(const SampleBuffer&) = delete;
    SampleBuffer& operator=(const SampleBuffer&) = delete;

    // Replaces the contents with `size` zero bytes. Returns false (and holds nothing) when the
    // address space cannot be reserved or size is negative. A size of 0 holds nothing.
    bool allocate(qint64 size);
    // Hints that the first `bytes` are about to be written in one go (a plain hint; no effect on
    // contents or on the untouched rest).
    void adviseFill(qint64 bytes);
    // Gives the memory back; does nothing when nothing is held.
    void release();

    uchar* data() { return m_data; }
    const uchar* data() const { return m_data; }
    qint64 size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }

private:
    uchar* m_data = nullptr;
    qint64 m_size = 0;
};
