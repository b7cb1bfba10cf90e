#include "platform/sim/SimPasteboard.h"

#include <algorithm>

namespace tarnlet::sim {

std::vector<std::string> SimPasteboard::types() const {
    std::vector<std::string> out;
    for (const Item& item : m_items) out.push_back(item.type);
    return out;
}

std::optional<std::string> SimPasteboard::string(const std::string& type) const {
    for (const Item& item : m_items)
        if (item.type == type && item.isText) return std::string(item.bytes.begin(), item.bytes.end());
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> SimPasteboard::data(const std::string& type) const {
    for (const Item& item : m_items)
        if (item.type == type) return item.bytes;
    return std::nullopt;
}

void SimPasteboard::clearContents() {
    m_items.clear();
    ++m_changeCount;
}

bool SimPasteboard::setString(const std::string& text, const std::string& type) {
    put({type, std::vector<std::uint8_t>(text.begin(), text.end()), true});
    return true;
}

bool SimPasteboard::setData(const std::vector<std::uint8_t>& bytes, const std::string& type) {
    put({type, bytes, false});
    return true;
}

void SimPasteboard::copy(const std::vector<std::pair<std::string, std::string>>& items) {
    clearContents();
    for (const auto& [type, value] : items) setString(value, type);
}

void SimPasteboard::put(Item item) {
    // A type written twice keeps its place and takes the new value.
    const auto it = std::find_if(m_items.begin(), m_items.end(), [&](const Item& i) { return i.type == item.type; });
    if (it != m_items.end()) *it = std::move(item);
    else m_items.push_back(std::move(item));
}

}  // namespace tarnlet::sim
