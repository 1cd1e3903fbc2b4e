#pragma once

// Plain versions of the container writer's body steps and of the reader, each rule applied as
// its own pass over a joined text, for differential tests of the fast ones.

#include "support/ReferenceBase64.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarvex::test {

// The container text without its final CR LF: the password field is taken as given.
inline std::string referenceContainerText(std::span<const std::uint8_t> source, bool highLevel,
                                          std::string_view field, std::string_view keyAndFiller) {
    std::string body = referenceBody(source);
    if (highLevel) {
        std::erase_if(body, [](char c) { return c == '\r' || c == '\n'; });
        const std::string encoded = body;
        for (std::size_t i = 0; i + 1 < body.size(); ++i) {
            if (encoded[i] == '/' && encoded[i + 1] != '/' && (i == 0 || encoded[i - 1] != '/')) {
                body[i] = '\\';
            }
        }
        std::size_t shift = 1;
        for (std::size_t i = 0; i + 1 < body.size(); ++i) {
            if (body[i] == '\\') {
                body[i + 1] = static_cast<char>(static_cast<unsigned char>(body[i + 1]) - shift);
                shift = (i + 1) % 5;
            }
        }
    }
    if (body.size() < 20) {
        body.resize(20, '.');
    }
    return std::string(field) + body.substr(20) + body.substr(0, 20) + std::string(keyAndFiller) +
           (highLevel ? "@@@@" : "****");
}

// The text of a file as the reader takes it: without a UTF-8 byte order mark in front, and
// without the blanks and tabs that end a line or the file.
inline std::string referenceCleanText(std::string_view file) {
    if (file.starts_with("\xEF\xBB\xBF")) {
        file.remove_prefix(3);
    }
    std::string text;
    const auto dropLineEndBlanks = [&text] {
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
            text.pop_back();
        }
    };
    for (const char c : file) {
        if (c == '\r' || c == '\n') {
            dropLineEndBlanks();
        }
        text.push_back(c);
    }
    dropLineEndBlanks();
    return text;
}

// The reader step by step: clean the text, join the lines, reassemble the body, undo the High
// level passes for a text that ends in "@@@@", decode.
inline std::vector<std::uint8_t> referenceReadContainer(std::string_view file) {
    std::string text;
    for (const char c : referenceCleanText(file)) {
        if (c == 26) {
            break;
        }
        if (c != '\r' && c != '\n') {
            text.push_back(c);
        }
    }
    const std::size_t n = text.size();
    std::string body;
    if (n > 48) {
        body = text.substr(n - 28, 20) + text.substr(20, n - 48);
    } else {
        const std::size_t headStart = n > 28 ? n - 28 : 0;
        const std::size_t headEnd = n > 8 ? n - 8 : 0;
        body = text.substr(headStart, headEnd - headStart);
    }
    if (text.ends_with("@@@@")) {
        std::size_t shift = 1;
        for (std::size_t i = 0; i + 1 < body.size(); ++i) {
            if (body[i] == '\\') {
                body[i + 1] = static_cast<char>(static_cast<unsigned char>(body[i + 1]) + shift);
                shift = (i + 1) % 5;
            }
        }
        for (char& c : body) {
            c = c == '\\' ? '/' : c;
        }
    }
    return referenceDecode(body);
}

} // namespace tarvex::test
