#include "wave/SampleBuffer.h"

#include <sys/mman.h>
#include <utility>

SampleBuffer::~SampleBuffer()
{
    release();
}

SampleBuffer::SampleBuffer(SampleBuffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0))
{
}

SampleBuffer& SampleBuffer::operator=(SampleBuffer&& other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

bool SampleBuffer::allocate(qint64 size)
{
    release();
    if (size <= 0 || quint64(size) > quint64(SIZE_MAX))
        return size == 0;
    // MAP_NORESERVE: no swap/commit accounting up front; the kernel backs a page only when it
    // is first written, and untouched pages read as zero.
    void* p = mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED)
        return false;
    m_data = static_cast<uchar*>(p);
    m_size = size;
    return true;
}

void SampleBuffer::adviseFill(qint64 bytes)
{
    // Large pages cut the page faults of one big read by a factor of 512. Only the part that is
    // about to be written gets them: a large page read in the untouched tail would be committed.
    const qint64 length = qMin(bytes, m_size);
    if (m_data && length > 0)
        madvise(m_data, size_t(length), MADV_HUGEPAGE);
}

void SampleBuffer::release()
{
    if (m_data)
        munmap(m_data, size_t(m_size));
    m_data = nullptr;
    m_size = 0;
}
