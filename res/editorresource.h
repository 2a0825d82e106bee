#pragma once

#include <QString>

// The editor page, one UTF-8 HTML document with its style sheet and script, compiled into the
// program as the Qt resource ":/EDITOR_HTML".
inline constexpr const char* EditorHtmlResourcePath = ":/EDITOR_HTML";

// The page text, decoded from UTF-8; empty when the resource is missing.
QString EditorHtml();
