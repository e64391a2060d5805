// A take the module's importers can read: an HTR or TRC file is imported as
// it is named; a BVH, C3D or GWM file is converted first, by the libraries'
// conversion core, into an HTR (skeletons) or TRC (markers) file in a
// private temporary folder, which goes when the copy does, or on a signal.
// A take that stands otherwise than its format's convention (a Z-up TRC
// file, a BVH figure lying on the floor) is turned on the way, so that it is
// imported upright; one to be
// cleaned (gaps filled, filtered, cut) always goes through a converted copy.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/files/CommandIO.h"
#include "tovfileio/clean/Cleaning.h"
#include "tovfileio/convert/Standing.h"
#include "tovfileio/text/FileKinds.h"
#include "tovfileio/text/FindingList.h"

// The axis a take stands up along: as --up gives it, or told from the data
// (auto); by default auto for the formats that carry no convention (TRC,
// HTR, BVH), the convention for the others (C3D and GWM stand Z-up).
enum class UpChoice { kDefault, kY, kZ, kAuto };

// "y", "z", "auto" (any letter case); none for anything else.
std::optional<UpChoice> ParseUpChoice(const std::string& text);

// A unit as --in-units names it: its keyword in lower case ("mm" ... "yd").
std::optional<tovfileio::CalibrationUnits> ParseUnitsKeyword(const std::string& text);

class ImportableCopy {
public:
    ImportableCopy() = default;
    ~ImportableCopy();
    ImportableCopy(const ImportableCopy&) = delete;
    ImportableCopy& operator=(const ImportableCopy&) = delete;

    // Cleans the take by `steps`, in order, on its way into the copy: set
    // before Make, for a marker take.
    void CleanWith(std::vector<tovfileio::CleaningStep> steps) { steps_ = std::move(steps); }
    // The units of a take whose file states none (a BVH file; a TRC or C3D
    // file without units): it goes through a copy in them. Before Make.
    void ReadLengthsIn(std::optional<tovfileio::CalibrationUnits> units) { inUnits_ = units; }

    // Makes `name` importable; false with `error` ("NAME: MESSAGE") when
    // the file's reader refuses it or the copy cannot be written.
    // `up` says how the take stands; what auto tells is said on standard
    // error when the take is turned or cannot be stood upright. `known`:
    // how a TRC file named `name` stands, found by a read the caller made
    // already (none when its reader refused it), so that it is not read
    // again for it.
    bool Make(const std::string& name, const CommandIO& io, std::string& error,
              UpChoice up = UpChoice::kDefault,
              const std::optional<tovfileio::Standing>* known = nullptr);

    // What to import, read as it is: where `name` leads (InputNamed), or
    // the converted copy.
    const std::string& Path() const { return path_; }
    // The kind it is imported as: HTR or TRC.
    tovfileio::FileKind Kind() const { return kind_; }
    // Whether Path() is a converted copy.
    bool Copied() const { return copied_; }
    // The axis the take was read as standing along: the import turns its
    // positions from it to the host's Z up (Y for a file left as named; a
    // skeleton's copy is stood up Y-up before it is imported).
    tovfileio::UpAxis Stands() const { return stands_; }
    // The frames at the start of the take that hold no marker (none for a
    // name left to the importer).
    std::int64_t EmptyFrames() const { return emptyFrames_; }
    // What the cleaning steps did to the copy.
    const tovfileio::CleaningReport& Cleaning() const { return cleaning_; }
    // What the file's reader found while the copy was made (none without a
    // copy): the copy itself, read again, no longer tells it.
    const tovfileio::FindingList& ReadFindings() const { return findings_; }

private:
    std::string path_;
    tovfileio::FileKind kind_ = tovfileio::FileKind::kHtr;
    bool copied_ = false;
    tovfileio::UpAxis stands_ = tovfileio::UpAxis::kY;
    std::int64_t emptyFrames_ = 0;
    std::vector<tovfileio::CleaningStep> steps_;
    std::optional<tovfileio::CalibrationUnits> inUnits_;
    tovfileio::CleaningReport cleaning_;
    tovfileio::FindingList findings_;
    std::string folder_;
    int folderSlot_ = -1;
    int fileSlot_ = -1;
};
