#pragma once
// A C stream that is closed when it goes out of scope. Where the close itself
// can fail (a written file), call close() and look at its result.

#include <cstdio>
#include <memory>

namespace pellin {

class StdioFile {
public:
    StdioFile() = default;
    explicit StdioFile(std::FILE* file) : file_(file) {}

    std::FILE* get() const { return file_.get(); }
    explicit operator bool() const { return file_ != nullptr; }

    // Closes the stream; false when buffered data could not be written.
    bool close() { return file_ ? std::fclose(file_.release()) == 0 : true; }

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
};

}  // namespace pellin
