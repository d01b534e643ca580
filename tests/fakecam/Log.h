#pragma once
// The request log that tests read: one line per state-changing request, appended to the
// file named by FAKECAM_LOG (README.md gives the line format).

#include <string>

namespace fakecam {

class Log {
public:
    explicit Log(std::string path) : path_(std::move(path)) {}

    // Appends "<node> <what>\n" in one write, so that lines of several threads and
    // processes never interleave. The file is opened per line: a test may delete or
    // truncate it between cases.
    void line(const std::string& node, const std::string& what) const;

private:
    std::string path_;
};

std::string errnoName(int error);
std::string hex32(unsigned int value);
std::string fourccText(unsigned int fourcc);
std::string sizeText(unsigned int width, unsigned int height);              // 640x480
std::string intervalText(unsigned int numerator, unsigned int denominator); // 1001/30000

} // namespace fakecam
