// UTF-8 and UTF-16 at the Windows API's boundary, and the system's messages as UTF-8 lines.
#include "formats/text/windows_text.h"

#include <windows.h>

#include <cctype>
#include <climits>

namespace formats {

std::string utf8Text(std::wstring_view wide) {
    if (wide.empty() || wide.size() > INT_MAX) return {};
    const int length = static_cast<int>(wide.size());
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), bytes, nullptr, nullptr);
    return text;
}

std::wstring wideText(std::string_view utf8) {
    if (utf8.empty() || utf8.size() > INT_MAX) return {};
    const int length = static_cast<int>(utf8.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, text.data(), units);
    return text;
}

std::string systemMessage(unsigned long code, std::string_view subject) {
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::string message =
        length > 0 && text != nullptr ? utf8Text({text, length}) : "error " + std::to_string(code);
    if (text != nullptr) LocalFree(text);
    for (char &c : message)
        if (c == '\r' || c == '\n') c = ' ';
    while (!message.empty() && (message.back() == ' ' || message.back() == '.')) message.pop_back();
    // "%1", "%2", ... stand for names the system was not given.
    for (std::size_t at = message.find('%'); at != std::string::npos; at = message.find('%', at)) {
        std::size_t end = at + 1;
        while (end < message.size() && std::isdigit(static_cast<unsigned char>(message[end])))
            ++end;
        if (end == at + 1) {
            ++at;
            continue;
        }
        message.replace(at, end - at, subject);
        at += subject.size();
    }
    return message;
}

}  // namespace formats
