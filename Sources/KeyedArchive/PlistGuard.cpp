#include "KeyedArchive/PlistGuard.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace pellimor::PlistGuard {

namespace {

// What libplist allocates per node besides its payload (node, data record, list links).
constexpr quint64 nodeCost = 64;

// Binary property list ("bplist00"): objects, then a table of their offsets, then a 32-byte
// trailer naming the offset and reference widths, the object count, the top object and the
// table's offset. Every number is big-endian.
class BinaryCheck {
public:
    BinaryCheck(const uchar* data, size_t size) : m_data(data), m_size(size) {}

    bool run() {
        if (!readTrailer())
            return false;
        m_state.assign(m_count, Unvisited);
        m_height.assign(m_count, 0);
        m_cost.assign(m_count, 0);
        m_keyState.assign(m_count, Unchecked);
        return walk();
    }

private:
    enum State : uchar { Unvisited, OnPath, Done };
    enum KeyState : uchar { Unchecked, GoodKey, BadKey };

    struct Object {
        quint64 payload = 0;           // bytes libplist copies for it (text, data)
        bool container = false;        // an array or dictionary
        std::vector<quint64> children; // referenced objects (dictionary keys, then values)
    };

    struct Frame {
        quint64 index;
        Object object;
        size_t next = 0;
        int height = 0; // the greatest height among the children finished so far
        quint64 cost = 0;
    };

    const uchar* m_data;
    size_t m_size;
    size_t m_offsetSize = 0;
    size_t m_refSize = 0;
    quint64 m_count = 0;
    quint64 m_top = 0;
    size_t m_tableOffset = 0;
    std::vector<uchar> m_state;
    std::vector<int> m_height;
    std::vector<quint64> m_cost;
    std::vector<uchar> m_keyState;

    quint64 readUInt(size_t at, size_t width) const {
        quint64 value = 0;
        for (size_t i = 0; i < width; ++i)
            value = (value << 8) | m_data[at + i];
        return value;
    }

    bool readTrailer() {
        constexpr size_t headerSize = 8;
        constexpr size_t trailerSize = 32;
        if (m_size < headerSize + 1 + 1 + trailerSize)
            return false;
        const size_t trailer = m_size - trailerSize;
        m_offsetSize = m_data[trailer + 6];
        m_refSize = m_data[trailer + 7];
        m_count = readUInt(trailer + 8, 8);
        m_top = readUInt(trailer + 16, 8);
        const quint64 tableOffset = readUInt(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8)
            return false;
        // Every object takes at least one byte, and a list of more objects than the expanded
        // cost allows cannot be read anyway.
        if (m_count < 1 || m_count > m_size || m_count > maxExpandedBytes / nodeCost || m_top >= m_count)
            return false;
        if (tableOffset < headerSize || tableOffset >= trailer)
            return false;
        m_tableOffset = size_t(tableOffset);
        if (m_count > (trailer - m_tableOffset) / m_offsetSize)
            return false;
        return true;
    }

    // Where object `index` starts; 0 when its offset lies outside the object area.
    size_t offsetOf(quint64 index) const {
        const quint64 offset = readUInt(m_tableOffset + size_t(index) * m_offsetSize, m_offsetSize);
        if (offset < 8 || offset >= m_tableOffset)
            return 0;
        return size_t(offset);
    }

    // True when `length` bytes from `at` stay inside the object area.
    bool fits(size_t at, quint64 length) const { return at <= m_tableOffset && length <= m_tableOffset - at; }

    // The element count that follows a marker whose low nibble is `nibble`; `at` moves past it.
    bool readCount(size_t& at, uchar nibble, quint64& count) const {
        if (nibble != 0x0F) {
            count = nibble;
            return true;
        }
        if (!fits(at, 1))
            return false;
        const uchar marker = m_data[at];
        if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3)
            return false;
        const size_t width = size_t(1) << (marker & 0x0F);
        if (!fits(at + 1, width))
            return false;
        count = readUInt(at + 1, width);
        at += 1 + width;
        return count <= m_size;
    }

    // A dictionary key must be text without NUL characters: libplist 2.2 asserts that a key's
    // length is that of a C string, and aborts the process when it is not. Each text is
    // looked at once, however many dictionaries share it.
    bool isKey(quint64 index) {
        uchar& known = m_keyState[size_t(index)];
        if (known == Unchecked)
            known = checkKey(index) ? GoodKey : BadKey;
        return known == GoodKey;
    }

    bool checkKey(quint64 index) const {
        size_t at = offsetOf(index);
        if (at == 0)
            return false;
        const uchar marker = m_data[at++];
        const uchar kind = marker >> 4;
        quint64 count = 0;
        if ((kind != 0x5 && kind != 0x6) || !readCount(at, marker & 0x0F, count))
            return false;
        if (kind == 0x5)
            return fits(at, count) && !std::memchr(m_data + at, 0, size_t(count));
        if (count > m_size / 2 || !fits(at, count * 2))
            return false;
        for (quint64 i = 0; i < count; ++i) {
            if (m_data[at + 2 * i] == 0 && m_data[at + 2 * i + 1] == 0)
                return false;
        }
        return true;
    }

    bool readObject(quint64 index, Object& object) {
        size_t at = offsetOf(index);
        if (at == 0)
            return false;
        const uchar marker = m_data[at++];
        const uchar kind = marker >> 4;
        const uchar nibble = marker & 0x0F;
        quint64 count = 0;
        switch (kind) {
        case 0x0: // only true and false: libplist has no use for null or fill
            return nibble == 0x8 || nibble == 0x9;
        case 0x1: // integer of 1, 2, 4, 8 or 16 bytes
            return nibble <= 4 && fits(at, quint64(1) << nibble);
        case 0x2: // real of 4 or 8 bytes
            return (nibble == 2 || nibble == 3) && fits(at, quint64(1) << nibble);
        case 0x3: // date
            return nibble == 3 && fits(at, 8);
        case 0x4: // data
        case 0x5: // ASCII text
            if (!readCount(at, nibble, count) || !fits(at, count))
                return false;
            object.payload = count + 1;
            return true;
        case 0x6: // UTF-16 text; libplist turns each unit into up to three bytes of UTF-8
            if (!readCount(at, nibble, count) || count > m_size / 2 || !fits(at, count * 2))
                return false;
            object.payload = count * 3 + 1;
            return true;
        case 0x8: // UID of 1 to 8 bytes
            return fits(at, quint64(nibble) + 1);
        case 0xA:   // array
        case 0xD: { // dictionary: the key references, then the value references
            if (!readCount(at, nibble, count))
                return false;
            const quint64 refs = kind == 0xD ? count * 2 : count;
            if (refs > m_size / m_refSize || !fits(at, refs * m_refSize))
                return false;
            object.container = true;
            object.children.reserve(size_t(refs));
            for (quint64 i = 0; i < refs; ++i) {
                const quint64 child = readUInt(at + size_t(i) * m_refSize, m_refSize);
                if (child >= m_count)
                    return false;
                if (kind == 0xD && i < count && !isKey(child))
                    return false;
                object.children.push_back(child);
            }
            return true;
        }
        default: // sets, ordered sets and unassigned markers: never written by the archiver
            return false;
        }
    }

    static quint64 saturatingAdd(quint64 a, quint64 b) {
        const quint64 sum = a + b;
        return sum < a || sum > maxExpandedBytes ? maxExpandedBytes + 1 : sum;
    }

    // Depth-first over the objects reachable from the top, without recursion: each object is
    // read once, its height (the containers on the deepest path down from it, itself included)
    // and expanded cost are kept, and a reference to a container still on the path is a cycle.
    bool walk() {
        std::vector<Frame> path;
        if (!visit(m_top, path))
            return false;
        while (!path.empty()) {
            Frame& frame = path.back();
            if (frame.next < frame.object.children.size()) {
                const quint64 child = frame.object.children[frame.next++];
                if (!visit(child, path))
                    return false;
                continue;
            }
            const auto index = size_t(frame.index);
            m_state[index] = Done;
            m_height[index] = frame.height + 1;
            m_cost[index] = frame.cost;
            path.pop_back();
            if (!path.empty() && !fold(path.back(), index))
                return false;
        }
        return m_state[size_t(m_top)] == Done && m_cost[size_t(m_top)] <= maxExpandedBytes;
    }

    // Adds a finished object to the container that refers to it.
    bool fold(Frame& parent, size_t child) {
        parent.height = std::max(parent.height, m_height[child]);
        parent.cost = saturatingAdd(parent.cost, m_cost[child]);
        return parent.cost <= maxExpandedBytes;
    }

    // Reaches object `index` from the innermost container on `path` (none for the top).
    bool visit(quint64 index, std::vector<Frame>& path) {
        const auto at = size_t(index);
        if (m_state[at] == OnPath)
            return false;
        if (m_state[at] == Done) {
            if (int(path.size()) + m_height[at] > maxNesting)
                return false;
            return path.empty() || fold(path.back(), at);
        }
        Frame frame{index, {}};
        if (!readObject(index, frame.object))
            return false;
        frame.cost = nodeCost + frame.object.payload;
        if (!frame.object.container) {
            m_state[at] = Done;
            m_height[at] = 0;
            m_cost[at] = frame.cost;
            return path.empty() || fold(path.back(), at);
        }
        if (int(path.size()) + 1 > maxNesting)
            return false;
        m_state[at] = OnPath;
        path.push_back(std::move(frame));
        return true;
    }
};

bool startsWith(const char* at, const char* end, const char* text) {
    const size_t length = std::strlen(text);
    return size_t(end - at) >= length && std::memcmp(at, text, length) == 0;
}

// Where `text` next begins at or after `at`, or `end`.
const char* find(const char* at, const char* end, const char* text) {
    const size_t length = std::strlen(text);
    for (; size_t(end - at) >= length; ++at) {
        if (std::memcmp(at, text, length) == 0)
            return at;
    }
    return end;
}

bool nameEnds(const char* at, const char* end) {
    if (at == end)
        return true;
    const char c = *at;
    return c == '>' || c == '/' || c == '<' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// XML: only the nesting of arrays and dictionaries matters, since libplist builds the tree
// without recursion but frees it recursively. The count may run high, never low: an opening
// tag counts wherever it appears, a closing tag only outside comments, processing
// instructions, declarations and character data, which libplist skips to the same
// terminators as here.
// A numeric character reference ("&#...;" or "&#x...;") that libplist would decode to NUL, or
// to no character at all. `at` points at the '&'.
bool badCharacterReference(const char* at, const char* end) {
    at += 2;
    const bool hex = at < end && (*at == 'x' || *at == 'X');
    if (hex)
        ++at;
    quint64 value = 0;
    bool digits = false;
    for (; at < end; ++at) {
        const char c = *at;
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            break;
        digits = true;
        value = value * (hex ? 16 : 10) + quint64(digit);
        if (value > 0x10FFFF)
            return true;
    }
    return digits && value == 0;
}

bool xmlAcceptable(const char* at, const char* end) {
    // libplist aborts on a key with a NUL inside (see BinaryCheck::isKey); in XML one can come
    // as a raw byte or as a character reference.
    if (std::memchr(at, 0, size_t(end - at)))
        return false;
    for (const char* amp = find(at, end, "&#"); amp < end; amp = find(amp + 2, end, "&#")) {
        if (badCharacterReference(amp, end))
            return false;
    }
    int depth = 0;
    while (true) {
        at = static_cast<const char*>(std::memchr(at, '<', size_t(end - at)));
        if (!at)
            return true;
        if (startsWith(at, end, "<!--")) {
            at = find(at + 4, end, "-->");
        } else if (startsWith(at, end, "<![CDATA[")) {
            at = find(at + 9, end, "]]>");
        } else if (startsWith(at, end, "<?")) {
            at = find(at + 2, end, "?>");
        } else if (startsWith(at, end, "<!")) {
            // A declaration; property lists carry no internal subset, and skipping one
            // correctly is not worth it.
            const char* close = static_cast<const char*>(std::memchr(at, '>', size_t(end - at)));
            if (!close)
                return true;
            if (std::memchr(at, '[', size_t(close - at)))
                return false;
            at = close;
        } else if (startsWith(at, end, "</array") || startsWith(at, end, "</dict")) {
            const char* name = at + (at[3] == 'r' ? 7 : 6);
            // Never below zero: libplist stops at a stray closing tag, so it cannot buy depth.
            if (nameEnds(name, end) && depth > 0)
                --depth;
            at = name;
        } else if (startsWith(at, end, "<array") || startsWith(at, end, "<dict")) {
            // "<array/>" is empty: libplist reads it as such when '/' comes right before the
            // '>' that ends the tag.
            const char* close = static_cast<const char*>(std::memchr(at, '>', size_t(end - at)));
            const bool empty = close && close[-1] == '/';
            if (!empty && ++depth > maxNesting)
                return false;
            at = close ? close : end;
        } else {
            ++at;
        }
        if (at >= end)
            return true;
    }
}

} // namespace

bool isBinary(const QByteArray& data) {
    return data.startsWith("bplist00");
}

bool acceptable(const QByteArray& data) {
    if (data.isEmpty() || data.size() > maxInputBytes)
        return false;
    if (isBinary(data))
        return BinaryCheck(reinterpret_cast<const uchar*>(data.constData()), size_t(data.size())).run();
    return xmlAcceptable(data.constData(), data.constData() + data.size());
}

} // namespace pellimor::PlistGuard
