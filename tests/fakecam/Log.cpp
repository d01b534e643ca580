#include "Log.h"

#include "Real.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace fakecam {

void Log::line(const std::string& node, const std::string& what) const {
    if (path_.empty()) {
        return;
    }
    UniqueFd fd(real().open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.valid()) {
        return;
    }
    std::string text = node + " " + what + "\n";
    [[maybe_unused]] ssize_t written = ::write(fd.get(), text.data(), text.size());
}

std::string errnoName(int error) {
    switch (error) {
    case EINVAL:
        return "EINVAL";
    case EACCES:
        return "EACCES";
    case EPERM:
        return "EPERM";
    case EBUSY:
        return "EBUSY";
    case ERANGE:
        return "ERANGE";
    case ENODEV:
        return "ENODEV";
    case ENOTTY:
        return "ENOTTY";
    case EFAULT:
        return "EFAULT";
    case ENOMEM:
        return "ENOMEM";
    default:
        return "E" + std::to_string(error);
    }
}

std::string hex32(unsigned int value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

std::string sizeText(unsigned int width, unsigned int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

std::string intervalText(unsigned int numerator, unsigned int denominator) {
    return std::to_string(numerator) + "/" + std::to_string(denominator);
}

std::string fourccText(unsigned int fourcc) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        char c = static_cast<char>((fourcc >> (8 * i)) & 0xff);
        text += (c >= 0x20 && c < 0x7f) ? c : '?';
    }
    return text;
}

} // namespace fakecam
