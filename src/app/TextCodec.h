#pragma once
// Bytes of the flight files and paths as Qt text, and back.
// .info texts are single-byte Cyrillic (Windows-1251); paths are the system's
// own encoding.

#include <QString>
#include <string>
#include <string_view>

QString InfoTextToQt(std::string_view bytes);
std::string InfoTextFromQt(const QString& text);

QString PathToQt(const std::string& path);
std::string PathFromQt(const QString& path);
