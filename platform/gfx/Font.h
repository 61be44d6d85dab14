#pragma once
// A font as the windows of the suite ask for one: a face name, a character
// height in pixels (the em height, as a negative height asks of the
// platform the suite was written for), a weight, italic and underline. The
// face goes through the font configuration, so Chinese face names reach an
// installed CJK font. Fonts are immutable and may be shared between threads.

#include <memory>
#include <string>

typedef struct _PangoFontDescription PangoFontDescription;

namespace vel::gfx {

enum : int
{
    kWeightNormal = 400,
    kWeightBold = 700
};

struct FontSpec
{
    std::u16string face;
    int height = 12; // pixels; 0 or less means 12
    int weight = kWeightNormal;
    bool italic = false;
    bool underline = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

struct FontMetrics
{
    int ascent = 0;  // pixels above the baseline
    int descent = 0; // pixels below it
    int height = 0;  // line height
};

class Font
{
public:
    explicit Font(FontSpec desc);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const FontSpec& Spec() const { return m_spec; }
    // The family the font configuration picked for the face (UTF-8).
    std::string ResolvedFamily() const;
    FontMetrics Metrics() const;

    const PangoFontDescription* Description() const { return m_desc; }

private:
    FontSpec m_spec;
    PangoFontDescription* m_desc = nullptr;
};

// Largest character height a font is made with; larger requests are
// clamped, so an outside description cannot ask for absurd glyph sizes.
inline constexpr int kMaxFontHeight = 512;

} // namespace vel::gfx
