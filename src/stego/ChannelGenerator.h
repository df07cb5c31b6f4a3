#pragma once

#include <cstdint>

namespace veilpane {

// The classic C runtime rand() sequence, owned by one hide or read so that threads never share it and the
// same pixels change on every platform.
class CChannelGenerator {
public:
    void Seed(std::uint32_t seed) { m_state = seed; }
    int Next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFFu);
    }

private:
    std::uint32_t m_state = 1;
};

// Seeds the generator and throws one value away, as every writer and reader does at the start of a stream.
inline void RestartChannelSequence(CChannelGenerator& generator, std::uint32_t seed) {
    generator.Seed(seed);
    generator.Next();
}

// What a draw decides: 0 writes the bit into red, green and blue; 1 into green and blue; 2 into blue only.
inline int ChannelChoice(CChannelGenerator& generator) {
    return generator.Next() % 3;
}

} // namespace veilpane
