#pragma once
// The simulated general pasteboard: types kept in write order, text or bytes each, with the change
// count the real one keeps. Main thread only.

#include <map>
#include <vector>

#include "platform/Pasteboard.h"

namespace tarnlet::sim {

class SimPasteboard : public Pasteboard {
public:
    std::vector<std::string> types() const override;
    std::optional<std::string> string(const std::string& type = PasteboardType::plainText) const override;
    std::optional<std::vector<std::uint8_t>> data(const std::string& type) const override;
    int changeCount() const override { return m_changeCount; }
    void clearContents() override;
    bool setString(const std::string& text, const std::string& type = PasteboardType::plainText) override;
    bool setData(const std::vector<std::uint8_t>& bytes, const std::string& type) override;

    // Another application copies: the pasteboard is replaced by these types and values.
    void copy(const std::vector<std::pair<std::string, std::string>>& items);

private:
    struct Item {
        std::string type;
        std::vector<std::uint8_t> bytes;
        bool isText = false;
    };
    void put(Item item);

    std::vector<Item> m_items;
    int m_changeCount = 0;
};

}  // namespace tarnlet::sim
