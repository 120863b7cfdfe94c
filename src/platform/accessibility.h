#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/geometry.h"

namespace tilvane {

// One user-interface element of some application (the system-wide element, an
// application, a window, a button). Backends subclass it; the core only passes
// it around. Handles are reference-counted: whoever holds an AXElement holds
// one reference, and the element lives as long as any reference does.
class AXUIElement {
public:
    virtual ~AXUIElement() = default;
    // Two handles may name the same element; backends decide what "same" means.
    virtual bool isSameElement(const AXUIElement& other) const { return this == &other; }
};
using AXElement = std::shared_ptr<AXUIElement>;

// Error codes of attribute reads and writes. Success is 0; the others carry
// the values the platform's accessibility interface uses.
enum class AXError : int32_t {
    Success = 0,
    Failure = -25200,
    IllegalArgument = -25201,
    InvalidUIElement = -25202,
    CannotComplete = -25204,
    AttributeUnsupported = -25205,
    APIDisabled = -25211,
    NoValue = -25212,
};

struct AXValue;
using AXArray = std::vector<AXValue>;

// A typed attribute value: none, element, point, size, boolean, text, array.
struct AXValue {
    enum class Kind { None, Element, Point, Size, Boolean, Text, Array };
    std::variant<std::monostate, AXElement, Point, Size, bool, std::string, AXArray> value;

    AXValue() = default;
    AXValue(AXElement e) : value(std::move(e)) {}
    AXValue(Point p) : value(p) {}
    AXValue(Size s) : value(s) {}
    AXValue(bool b) : value(b) {}
    AXValue(std::string s) : value(std::move(s)) {}
    AXValue(const char* s) : value(std::string(s)) {}
    AXValue(AXArray a) : value(std::move(a)) {}

    Kind kind() const { return static_cast<Kind>(value.index()); }
    const AXElement* element() const { return std::get_if<AXElement>(&value); }
    const Point* point() const { return std::get_if<Point>(&value); }
    const Size* size() const { return std::get_if<Size>(&value); }
    const bool* boolean() const { return std::get_if<bool>(&value); }
    const std::string* text() const { return std::get_if<std::string>(&value); }
    const AXArray* array() const { return std::get_if<AXArray>(&value); }
};

struct AXCopyResult {
    AXError error = AXError::Failure;
    AXValue value;
    bool ok() const { return error == AXError::Success; }
};

// Attribute names used by the program.
namespace ax {
inline constexpr std::string_view kFocusedApplication = "AXFocusedApplication";
inline constexpr std::string_view kFocusedWindow = "AXFocusedWindow";
inline constexpr std::string_view kPosition = "AXPosition";
inline constexpr std::string_view kSize = "AXSize";
inline constexpr std::string_view kWindows = "AXWindows";
inline constexpr std::string_view kZoomButton = "AXZoomButton";
inline constexpr std::string_view kMain = "AXMain";
inline constexpr std::string_view kFocused = "AXFocused";
inline constexpr std::string_view kFrontmost = "AXFrontmost";
inline constexpr std::string_view kTitle = "AXTitle";
}  // namespace ax

// The accessibility service: reading and writing other applications'
// windows, and whether this process may do so.
class Accessibility {
public:
    virtual ~Accessibility() = default;

    virtual AXElement createSystemWide() = 0;
    virtual AXElement createApplication(int32_t pid) = 0;
    virtual AXCopyResult copyAttributeValue(const AXElement& element, std::string_view attribute) = 0;
    virtual AXError setAttributeValue(const AXElement& element, std::string_view attribute, const AXValue& value) = 0;

    // Is this process trusted to control other applications? With prompt set,
    // the system may ask the user to grant it.
    virtual bool isProcessTrustedWithOptions(bool prompt) = 0;
    // Is the accessibility interface enabled for assistive applications at all?
    virtual bool apiEnabled() = 0;
};

}  // namespace tilvane
