#pragma once

#include <tinyxml.h>

#include <stdexcept>
#include <string>

#include "lib/TextConversion.h"
#include "payload/DownloadDialog.h"
#include "tests/support/DocumentCorpus.h"

// Loads the list that one XML element describes; a test text that does not
// parse is the test's own fault.
inline void LoadDialog(DownloadDialog& dialog, const std::string& xml) {
    TiXmlDocument document;
    document.Parse(xml.c_str());
    if (document.Error()) throw std::logic_error("test XML does not parse: " + xml);
    dialog.Load(document.RootElement());
    TestSupport::RecordAcceptedDocument(xml);
}

// A <download> element with these attributes (wide values for paths and URLs).
inline std::string DownloadXml(const std::wstring& attributes) {
    return "<download " + Kestlib::WideToUtf8(attributes) + "/>";
}

inline std::string DialogXml(const std::string& attributes, const std::string& downloads) {
    return "<downloaddialog " + attributes + ">" + downloads + "</downloaddialog>";
}

// Attribute text for XML: name="value" with the characters XML reserves escaped.
inline std::wstring Attr(const std::wstring& name, const std::wstring& value) {
    std::wstring escaped;
    for (wchar_t c : value) {
        if (c == L'&') escaped += L"&amp;";
        else if (c == L'"') escaped += L"&quot;";
        else if (c == L'<') escaped += L"&lt;";
        else escaped += c;
    }
    return L" " + name + L"=\"" + escaped + L"\"";
}
