#pragma once

#include <cstdint>

namespace qv::ui {

// The colours the system keeps for its own elements, which each platform draws its own way.
enum class SystemColour {
  TitleBarText,  // the text of an active window's title bar
};

// A colour a control is drawn in: the toolkit's own (the default), a red-green-blue value, or one
// of the system's colours.
class Colour {
 public:
  constexpr Colour() = default;
  static constexpr Colour Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return Colour(Source::Rgb, (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue,
                  SystemColour{});
  }
  static constexpr Colour System(SystemColour colour) { return Colour(Source::System, 0, colour); }

  enum class Source { Default, Rgb, System };
  constexpr Source From() const { return source_; }
  // 0xRRGGBB, for an Rgb colour.
  constexpr std::uint32_t Value() const { return rgb_; }
  constexpr std::uint8_t Red() const { return static_cast<std::uint8_t>(rgb_ >> 16); }
  constexpr std::uint8_t Green() const { return static_cast<std::uint8_t>(rgb_ >> 8); }
  constexpr std::uint8_t Blue() const { return static_cast<std::uint8_t>(rgb_); }
  // Which one, for a System colour.
  constexpr SystemColour Which() const { return system_; }
  friend constexpr bool operator==(const Colour&, const Colour&) = default;

 private:
  constexpr Colour(Source source, std::uint32_t rgb, SystemColour system)
      : source_(source), rgb_(rgb), system_(system) {}
  Source source_ = Source::Default;
  std::uint32_t rgb_ = 0;
  SystemColour system_ = SystemColour::TitleBarText;
};

}  // namespace qv::ui
