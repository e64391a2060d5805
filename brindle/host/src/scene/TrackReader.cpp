#include "scene/TrackReader.h"

#include <cstdint>

#include "brindle/host/scene/Base64Floats.h"
#include "scene/DocumentNumbers.h"
#include "brindle/sdk/Animation.h"

namespace brindle::host {
namespace {

// Ticks are the host's 32-bit times; the narrower rules of SceneLimits.h are
// checked on the plan.
const std::string kTickRange =
    " is out of range (" + std::to_string(TIME_NegInfinity) + " to " +
    std::to_string(TIME_PosInfinity) + ")";
// The longest step of a run: the most two ticks can differ by.
constexpr long long kLongestStep = 4294967295LL;

Point3 ValueOf(const float* numbers, const Point3*) {
    return Point3(numbers[0], numbers[1], numbers[2]);
}
Quat ValueOf(const float* numbers, const Quat*) {
    return Quat(numbers[0], numbers[1], numbers[2], numbers[3]);
}

}  // namespace

void TrackReader::Start(std::size_t width) {
    width_ = width;
    given_ = 0;
    problem_.clear();
    runs_.clear();
    values_.clear();
}

void TrackReader::StartField(TrackField field) {
    const auto bit = static_cast<unsigned>(field);
    const auto compact = static_cast<unsigned>(TrackField::Ticks) |
                         static_cast<unsigned>(TrackField::Values);
    if ((field == TrackField::Keys && (given_ & compact) != 0) ||
        (field != TrackField::Keys && (given_ & static_cast<unsigned>(TrackField::Keys)) != 0)) {
        Problem("gives its keys both as \"keys\" and as \"ticks\" and \"values\"");
    }
    given_ |= bit;
    field_ = field;
    depth_ = 0;
    item_ = 0;
}

void TrackReader::Problem(const std::string& what) {
    if (problem_.empty()) problem_ = what;
}

std::string TrackReader::Item() const {
    const std::string number = std::to_string(item_);
    if (field_ == TrackField::Keys) return "key " + number;
    return (field_ == TrackField::Ticks ? "ticks: item " : "values: item ") + number;
}

void TrackReader::StartContainer(bool array) {
    const char* kind = array ? "an array" : "an object";
    if (depth_++ == 0) {
        ++item_;
        element_ = 0;
        itemProblem_.clear();
        if (!array || field_ == TrackField::Values) TopItem(nullptr, 0.0, kind);
    } else if (depth_ == 2) {
        Element(nullptr, 0.0, kind);
    }
}

bool TrackReader::EndContainer() {
    if (depth_ == 0) return true;
    if (--depth_ == 0) EndItem();
    return false;
}

void TrackReader::Number(const JsonNumber& number, double value) {
    if (depth_ == 0) {
        ++item_;
        TopItem(&number, value, "a number");
    } else if (depth_ == 1) {
        Element(&number, value, "a number");
    }
}

void TrackReader::String(std::string_view utf8) {
    if (depth_ == 0 && field_ == TrackField::Values) {
        ++item_;
        if (problem_.empty() && !AppendFloatsFromBase64(utf8, values_)) {
            Problem(Item() + " is not base64 of 32-bit floats");
        }
        return;
    }
    Other("a string");
}

void TrackReader::Other(const char* kind) {
    if (depth_ == 0) {
        ++item_;
        TopItem(nullptr, 0.0, kind);
    } else if (depth_ == 1) {
        Element(nullptr, 0.0, kind);
    }
}

// An item of the field's array that is not an array of its own (or one
// where none may be): a tick, or a value's number.
void TrackReader::TopItem(const JsonNumber* number, double value, const char* kind) {
    if (field_ == TrackField::Keys) return Problem(Item() + " must be an array, not " + kind);
    if (field_ == TrackField::Ticks) {
        long long tick = 0;
        if (number == nullptr || !number->integer) {
            return Problem(Item() + " must be a tick or a run [first, step, count], not " + kind);
        }
        if (!number->ToInteger(tick) || tick < TIME_NegInfinity || tick > TIME_PosInfinity) {
            return Problem(Item() + ": tick " + std::string(number->text) + kTickRange);
        }
        if (problem_.empty()) AddTick(tick);
        return;
    }
    float taken = 0.0f;
    if (number == nullptr) {
        Problem(Item() + " must be a number or a base64 string, not " + kind);
    } else if (!FloatOf(value, taken)) {
        Problem(Item() + " is too large for a float");
    } else if (problem_.empty()) {
        values_.push_back(taken);
    }
}

void TrackReader::Element(const JsonNumber* number, double value, const char* kind) {
    if (field_ == TrackField::Keys) {
        KeyElement(number, value, kind);
    } else if (field_ == TrackField::Ticks) {
        const std::size_t at = element_++;
        if (!itemProblem_.empty() || at >= 3) return;
        if (number == nullptr || !number->ToInteger(integers_[at])) {
            itemProblem_ = Item() + " must be a run of three integers [first, step, count]";
        }
    }
}

// An element of a key of the first version: its tick, then `width_`
// numbers. The first thing wrong is kept, and said only if the key has as
// many elements as it should (which is said first).
void TrackReader::KeyElement(const JsonNumber* number, double value, const char* kind) {
    const std::size_t at = element_++;
    if (!itemProblem_.empty() || at > width_) return;
    if (at == 0) {
        if (number == nullptr || !number->integer) {
            itemProblem_ = Item() + " tick must be an integer, not " + kind;
        } else if (!number->ToInteger(integers_[0]) || integers_[0] < TIME_NegInfinity ||
                   integers_[0] > TIME_PosInfinity) {
            itemProblem_ = Item() + " tick " + std::string(number->text) + kTickRange;
        }
    } else if (number == nullptr) {
        itemProblem_ = Item() + " must be a number, not " + kind;
    } else if (!FloatOf(value, numbers_[at - 1])) {
        itemProblem_ = Item() + " is too large for a float";
    }
}

// The end of a key of the first version or of a run of ticks.
void TrackReader::EndItem() {
    if (field_ == TrackField::Keys) {
        if (element_ != width_ + 1) {
            return Problem(Item() + " must have " + std::to_string(width_ + 1) + " elements, not " +
                           std::to_string(element_));
        }
        if (!itemProblem_.empty()) return Problem(itemProblem_);
        if (!problem_.empty()) return;
        AddTick(integers_[0]);
        values_.insert(values_.end(), numbers_, numbers_ + width_);
        return;
    }
    if (field_ != TrackField::Ticks) return;
    if (!itemProblem_.empty()) return Problem(itemProblem_);
    if (element_ != 3) return Problem(Item() + " must be a run of three integers [first, step, count]");
    const auto [first, step, count] = integers_;
    if (first < TIME_NegInfinity || first > TIME_PosInfinity) {
        return Problem(Item() + ": tick " + std::to_string(first) + kTickRange);
    }
    if (step < 1 || step > kLongestStep) {
        return Problem(Item() + ": the step of a run must be 1 to " + std::to_string(kLongestStep) +
                       ", not " + std::to_string(step));
    }
    if (count < 1) {
        return Problem(Item() + ": a run holds one tick or more, not " + std::to_string(count));
    }
    if (count - 1 > (TIME_PosInfinity - first) / step) {
        return Problem(Item() + ": the run goes on beyond tick " + std::to_string(TIME_PosInfinity));
    }
    if (problem_.empty()) runs_.push_back({first, step, count});
}

// Extends the last run when the tick continues it, so that evenly spaced
// ticks take no memory of their own.
void TrackReader::AddTick(long long tick) {
    if (!runs_.empty()) {
        TickRun& last = runs_.back();
        if (last.count == 1 && tick > last.first) {
            last.step = tick - last.first;
            last.count = 2;
            return;
        }
        if (tick == last.first + last.step * last.count) {
            ++last.count;
            return;
        }
    }
    runs_.push_back({tick, 1, 1});
}

template <typename Value>
void TrackReader::Make(KeyBlock<Key<Value>>& keys, std::string& problem) {
    if (!problem_.empty()) {
        problem = problem_;
        return;
    }
    // The runs' counts are the document's word; the values are what it
    // holds, and only they decide what is made.
    const std::uint64_t count = values_.size() / width_;
    std::uint64_t ticks = 0;
    for (const TickRun& run : runs_) {
        const auto more = static_cast<std::uint64_t>(run.count);
        ticks = ticks > UINT64_MAX - more ? UINT64_MAX : ticks + more;
    }
    if (ticks != count || values_.size() % width_ != 0) {
        problem = "ticks give " + std::to_string(ticks) + (ticks == 1 ? " key" : " keys") +
                  " but values hold " + std::to_string(values_.size()) + " numbers (" +
                  std::to_string(width_) + " a key)";
        return;
    }
    keys.clear();
    keys.reserve(count);
    for (const TickRun& run : runs_) {
        for (long long i = 0; i < run.count; ++i) {
            const long long tick = run.first + run.step * i;
            if (!keys.empty() && tick <= keys.back().time) {
                problem = "key " + std::to_string(keys.size() + 1) + ": tick " +
                          std::to_string(tick) +
                          " does not come after the tick of the key before it (" +
                          std::to_string(keys.back().time) + ")";
                keys.clear();
                return;
            }
            const float* numbers = &values_[keys.size() * width_];
            keys.push_back({static_cast<TimeValue>(tick),
                            ValueOf(numbers, static_cast<Value*>(nullptr))});
        }
    }
}

void TrackReader::Finish(KeyBlock<Key<Point3>>& keys, std::string& problem) {
    Make(keys, problem);
}
void TrackReader::Finish(KeyBlock<Key<Quat>>& keys, std::string& problem) {
    Make(keys, problem);
}

}  // namespace brindle::host
