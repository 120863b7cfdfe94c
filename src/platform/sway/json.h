#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tilvane::sway {

// A JSON value as the window manager's IPC sends them: trees, outputs,
// workspaces, events. Reading a member or an element that is not there, or
// of another kind, gives null, so that a reply missing a field reads as
// "not said" rather than failing.
class Json {
public:
    using Array = std::vector<Json>;
    using Object = std::map<std::string, Json, std::less<>>;

    Json() = default;
    explicit Json(bool b) : value_(b) {}
    explicit Json(double d) : value_(d) {}
    explicit Json(std::string s) : value_(std::move(s)) {}
    explicit Json(Array a) : value_(std::make_shared<Array>(std::move(a))) {}
    explicit Json(Object o) : value_(std::make_shared<Object>(std::move(o))) {}

    // Parses a whole text; none, and where and why in error, when it is not JSON.
    static std::optional<Json> parse(std::string_view text, std::string& error);

    bool isNull() const { return std::holds_alternative<std::monostate>(value_); }
    std::optional<bool> boolean() const;
    std::optional<double> number() const;
    std::optional<std::string> string() const;
    // The member of an object, or null.
    const Json& operator[](std::string_view key) const;
    // The element of an array, or null.
    const Json& operator[](size_t index) const;
    // The elements of an array; empty for anything else.
    const Array& elements() const;
    // The member names and values of an object; empty for anything else.
    const Object& members() const;

    // The text of a string in JSON, quoted and escaped.
    static std::string quote(std::string_view text);

private:
    // Arrays and objects are shared: copies of a reply's parts are cheap.
    std::variant<std::monostate, bool, double, std::string, std::shared_ptr<Array>, std::shared_ptr<Object>> value_;
};

}  // namespace tilvane::sway
