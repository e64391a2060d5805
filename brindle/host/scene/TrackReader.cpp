#include "brindle/host/scene/TrackReader.h"

#include "brindle/host/scene/DocumentNumbers.h"
#include "brindle/sdk/Animation.h"

namespace brindle::host {
namespace {

std::string KeyName(std::size_t item) { return "key " + std::to_string(item); }

Point3 ValueOf(const float* numbers, const Point3*) {
    return Point3(numbers[0], numbers[1], numbers[2]);
}
Quat ValueOf(const float* numbers, const Quat*) {
    return Quat(numbers[0], numbers[1], numbers[2], numbers[3]);
}

}  // namespace

void TrackReader::Start(std::size_t width) {
    width_ = width;
    problem_.clear();
    runs_.clear();
    values_.clear();
}

void TrackReader::StartField(TrackField) {
    depth_ = 0;
    item_ = 0;
}

void TrackReader::Problem(const std::string& what) {
    if (problem_.empty()) problem_ = what;
}

void TrackReader::StartContainer(bool array) {
    if (depth_++ == 0) {
        ++item_;
        if (!array) return Problem(KeyName(item_) + " must be an array, not an object");
        element_ = 0;
        keyProblem_.clear();
    } else if (depth_ == 2) {
        KeyElement(nullptr, 0.0, array ? "an array" : "an object");
    }
}

bool TrackReader::EndContainer() {
    if (depth_ == 0) return true;
    if (--depth_ == 0) EndKey();
    return false;
}

void TrackReader::Number(const JsonNumber& number, double value) {
    if (depth_ == 0) {
        ++item_;
        return Problem(KeyName(item_) + " must be an array, not a number");
    }
    if (depth_ == 1) KeyElement(&number, value, "a number");
}

void TrackReader::Other(const char* kind) {
    if (depth_ == 0) {
        ++item_;
        return Problem(KeyName(item_) + " must be an array, not " + kind);
    }
    if (depth_ == 1) KeyElement(nullptr, 0.0, kind);
}

// An element of the key being read: its tick, then `width_` numbers. The
// first thing wrong is kept and said only if the key has as many elements
// as it should (that is said first).
void TrackReader::KeyElement(const JsonNumber* number, double value, const char* kind) {
    const std::size_t at = element_++;
    if (!keyProblem_.empty() || at > width_) return;
    const std::string what = KeyName(item_);
    if (at == 0) {
        long long tick = 0;
        if (number == nullptr || !number->integer) {
            keyProblem_ = what + " tick must be an integer, not " + kind;
        } else if (!number->ToInteger(tick) || tick < TIME_NegInfinity || tick > TIME_PosInfinity) {
            keyProblem_ = what + " tick " + std::string(number->text) + " is out of range (" +
                          std::to_string(TIME_NegInfinity) + " to " +
                          std::to_string(TIME_PosInfinity) + ")";
        }
        tick_ = tick;
    } else if (number == nullptr) {
        keyProblem_ = what + " must be a number, not " + kind;
    } else if (!FloatOf(value, numbers_[at - 1])) {
        keyProblem_ = what + " is too large for a float";
    }
}

void TrackReader::EndKey() {
    if (element_ != width_ + 1) {
        return Problem(KeyName(item_) + " must have " + std::to_string(width_ + 1) +
                       " elements, not " + std::to_string(element_));
    }
    if (!keyProblem_.empty()) return Problem(keyProblem_);
    if (!problem_.empty()) return;
    AddTick(tick_);
    values_.insert(values_.end(), numbers_, numbers_ + width_);
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
void TrackReader::Make(std::vector<Key<Value>>& keys, std::string& problem) {
    if (!problem_.empty()) {
        problem = problem_;
        return;
    }
    const std::size_t count = values_.size() / width_;
    keys.resize(count);
    std::size_t k = 0;
    for (const TickRun& run : runs_) {
        for (long long i = 0; i < run.count && k < count; ++i, ++k) {
            const long long tick = run.first + run.step * i;
            if (k > 0 && tick <= keys[k - 1].time) {
                problem = KeyName(k + 1) + ": tick " + std::to_string(tick) +
                          " does not come after the tick of the key before it (" +
                          std::to_string(keys[k - 1].time) + ")";
                keys.clear();
                return;
            }
            keys[k].time = static_cast<TimeValue>(tick);
            keys[k].value = ValueOf(&values_[k * width_], static_cast<Value*>(nullptr));
        }
    }
}

void TrackReader::Finish(std::vector<Key<Point3>>& keys, std::string& problem) {
    Make(keys, problem);
}
void TrackReader::Finish(std::vector<Key<Quat>>& keys, std::string& problem) {
    Make(keys, problem);
}

}  // namespace brindle::host
