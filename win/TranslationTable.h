#pragma once

#include <cstddef>

namespace korvane {

// One finished translation of the Qt window's translation source (app/translations/*.ts): the
// Qt context, the Japanese source text and its translation, all UTF-8.
struct TranslatedText {
    const char* context;
    const char* source;
    const char* translation;
};

// English, written by cmake/TsTable.cmake from app/translations/korvane-server_en.ts at build
// time, so that the Win32 window and the Qt window share their one translation.
extern const TranslatedText kEnglishTexts[];
extern const std::size_t kEnglishTextsCount;

}  // namespace korvane
