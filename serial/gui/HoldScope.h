#pragma once

// Counts the calls that hold their caller inside the control's output, so that nothing closes
// the port under them.
class HoldScope
{
public:
    explicit HoldScope(int& count) : m_count(count) { ++m_count; }
    ~HoldScope() { --m_count; }
    HoldScope(const HoldScope&) = delete;
    HoldScope& operator=(const HoldScope&) = delete;

private:
    int& m_count;
};
