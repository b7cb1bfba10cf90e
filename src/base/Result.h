#pragma once
// A value or the reason it could not be produced, for callers that need the reason. Failures never
// cross areas as exceptions. There is deliberately no operator bool: ask ok().

#include <string>
#include <utility>
#include <variant>

namespace tarnlet {

struct Failure {
    std::string reason;
};

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_data(std::move(value)) {}
    Result(Failure failure) : m_data(std::move(failure)) {}

    bool ok() const { return std::holds_alternative<T>(m_data); }
    const T& value() const& { return std::get<T>(m_data); }
    T&& value() && { return std::get<T>(std::move(m_data)); }
    const std::string& error() const { return std::get<Failure>(m_data).reason; }

private:
    std::variant<T, Failure> m_data;
};

struct Done {};
using Status = Result<Done>;
inline Status success() { return Done{}; }

}  // namespace tarnlet
