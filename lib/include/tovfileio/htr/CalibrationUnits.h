// Length units of HTR and TRC files, and the factors between them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tovfileio {

enum CalibrationUnits : std::uint32_t {
    kUnitsMillimetres = 0,
    kUnitsCentimetres = 1,
    kUnitsMetres = 2,
    kUnitsInches = 3,
    kUnitsFeet = 4,
    kUnitsYards = 5,
};

// Millimetres in one unit; 0 for a value that names no unit.
constexpr double MillimetresPerUnit(std::uint32_t units) {
    switch (units) {
        case kUnitsMillimetres: return 1.0;
        case kUnitsCentimetres: return 10.0;
        case kUnitsMetres: return 1000.0;
        case kUnitsInches: return 25.4;
        case kUnitsFeet: return 12 * 25.4;
        case kUnitsYards: return 36 * 25.4;
        default: return 0.0;
    }
}

// Units in one millimetre; 0 for a value that names no unit.
constexpr double UnitsPerMillimetre(std::uint32_t units) {
    switch (units) {
        case kUnitsMillimetres: return 1.0;
        case kUnitsCentimetres: return 0.1;
        case kUnitsMetres: return 0.001;
        case kUnitsInches: return 0.0393700787;
        case kUnitsFeet: return 0.0393700787 / 12;
        case kUnitsYards: return 0.0393700787 / 36;
        default: return 0.0;
    }
}

// The factor that turns lengths in `from` units into `to` units.
constexpr double UnitConversionFactor(std::uint32_t from, std::uint32_t to) {
    return MillimetresPerUnit(from) * UnitsPerMillimetre(to);
}

// The unit a file's keyword names: "mm" or "MM", "cm" or "CM", "m" or "M",
// "in" or "IN", "ft" or "FT", "yd" or "YD" (the whole text, exactly); none
// for anything else.
template <typename Char>
constexpr std::optional<CalibrationUnits> KnownCalibrationUnits(
    std::basic_string_view<Char> keyword) {
    struct Entry {
        const char* lower;
        const char* upper;
        CalibrationUnits units;
    };
    constexpr Entry kEntries[] = {
        {"mm", "MM", kUnitsMillimetres}, {"cm", "CM", kUnitsCentimetres},
        {"m", "M", kUnitsMetres},        {"in", "IN", kUnitsInches},
        {"ft", "FT", kUnitsFeet},        {"yd", "YD", kUnitsYards},
    };
    auto equals = [](std::basic_string_view<Char> text, const char* ascii) {
        std::size_t n = 0;
        for (; ascii[n] != '\0'; ++n) {
            if (n >= text.size() || text[n] != static_cast<Char>(ascii[n])) return false;
        }
        return n == text.size();
    };
    for (const Entry& entry : kEntries) {
        if (equals(keyword, entry.lower) || equals(keyword, entry.upper)) return entry.units;
    }
    return std::nullopt;
}

// The unit a file's keyword names; anything else is millimetres.
template <typename Char>
constexpr CalibrationUnits CalibrationUnitsFromKeyword(std::basic_string_view<Char> keyword) {
    return KnownCalibrationUnits(keyword).value_or(kUnitsMillimetres);
}

// The keyword written for a unit ("mm" ... "yd"); empty for a value that
// names no unit.
constexpr const char* CalibrationUnitsKeyword(std::uint32_t units) {
    constexpr const char* kKeywords[] = {"mm", "cm", "m", "in", "ft", "yd"};
    return units < 6 ? kKeywords[units] : "";
}

// Every unit's keyword, millimetres to yards, joined by `separator`:
// "mm, cm, m, in, ft, yd" for a sentence, "mm|cm|m|in|ft|yd" for a usage.
inline std::string CalibrationUnitsKeywords(std::string_view separator) {
    std::string keywords = CalibrationUnitsKeyword(kUnitsMillimetres);
    for (std::uint32_t units = kUnitsCentimetres; units <= kUnitsYards; ++units) {
        keywords.append(separator).append(CalibrationUnitsKeyword(units));
    }
    return keywords;
}

}  // namespace tovfileio
