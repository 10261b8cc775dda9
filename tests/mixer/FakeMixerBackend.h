#pragma once
// A mixer for what the test sound server cannot show: source selectors of
// every kind (single and multiple choice, odd names, several channels), no
// mixer at all, and a count of every write.

#include <map>

#include "platform/MixerBackend.h"

class FakeMixerBackend final : public platform::MixerBackend {
public:
    struct Control {
        platform::MixerControl control;
        std::vector<uint32_t> values;
        std::vector<std::string> names;
    };
    struct Line {
        bool present = true;
        int channelCount = 2;
        std::vector<Control> controls;
    };

    // Lines with a mute (id 1) and a two-channel volume (id 2).
    FakeMixerBackend() {
        for (Line* line : {&recording, &speakers}) {
            line->controls = {
                {{1, platform::MixerControlKind::Mute, true, 0}, {1}, {}},
                {{2, platform::MixerControlKind::Volume, false, 0}, {40000, 40000}, {}},
            };
        }
    }

    Line recording;
    Line speakers;
    int writes = 0;
    int opens = 0;

    platform::MixerHandle openLine(platform::MixerLineKind kind, ChangeHandler onChange) override {
        Line& line = kind == platform::MixerLineKind::Recording ? recording : speakers;
        if (!line.present) return 0;
        ++opens;
        const platform::MixerHandle handle = next_++;
        open_[handle] = {&line, std::move(onChange)};
        return handle;
    }
    void closeLine(platform::MixerHandle handle) override { open_.erase(handle); }
    size_t openCount() const { return open_.size(); }

    bool describeLine(platform::MixerHandle handle, platform::MixerLine& out) override {
        Line* line = find(handle);
        if (!line) return false;
        out.channelCount = line->channelCount;
        out.controls.clear();
        for (const Control& c : line->controls) out.controls.push_back(c.control);
        return true;
    }
    bool readValues(platform::MixerHandle handle, platform::MixerControlId id, int, int,
                    std::vector<uint32_t>& values) override {
        Control* c = find(handle, id);
        if (!c) return false;
        values = c->values;
        return true;
    }
    bool writeValues(platform::MixerHandle handle, platform::MixerControlId id, int, int,
                     const std::vector<uint32_t>& values) override {
        Control* c = find(handle, id);
        if (!c) return false;
        ++writes;
        c->values = values;
        return true;
    }
    bool readItemNames(platform::MixerHandle handle, platform::MixerControlId id, int, int,
                       std::vector<std::string>& names) override {
        Control* c = find(handle, id);
        if (!c) return false;
        names = c->names;
        return true;
    }

    // As the server tells of a change made elsewhere.
    void announce(platform::MixerHandle handle) {
        const auto found = open_.find(handle);
        if (found != open_.end() && found->second.onChange) found->second.onChange(handle);
    }

    Control& control(Line& line, platform::MixerControlId id) { return *find(line, id); }

private:
    struct Opened {
        Line* line;
        ChangeHandler onChange;
    };
    Line* find(platform::MixerHandle handle) {
        const auto found = open_.find(handle);
        return found == open_.end() ? nullptr : found->second.line;
    }
    static Control* find(Line& line, platform::MixerControlId id) {
        for (Control& c : line.controls) {
            if (c.control.id == id) return &c;
        }
        return nullptr;
    }
    Control* find(platform::MixerHandle handle, platform::MixerControlId id) {
        Line* line = find(handle);
        return line ? find(*line, id) : nullptr;
    }

    platform::MixerHandle next_ = 100;
    std::map<platform::MixerHandle, Opened> open_;
};
