#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "lib/FileOps.h"

// The extraction benchmark's payload, which the packager's benchmarks use as
// well: half text-like lines, half random bytes, in files of 8 MB at most
// (textN.txt and data\randomN.bin). Returns the names, relative to the folder.
inline std::vector<std::wstring> WriteMixedPayload(const std::wstring& folder, unsigned long megabytes) {
    const unsigned long mega = 1024UL * 1024UL;
    std::vector<std::wstring> names;
    unsigned seed = 7;
    unsigned long half = megabytes * mega / 2;
    ::CreateDirectoryW((folder + L"\\data").c_str(), nullptr);
    for (unsigned long done = 0, i = 0; done < half; done += 8 * mega, ++i) {
        std::string text;
        while (text.size() < 8 * mega) text += "Line " + std::to_string(text.size()) + " of the setup notes, quite compressible.\r\n";
        std::string random(8 * mega, '\0');
        for (char& c : random) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
        const size_t size = std::min<unsigned long>(8 * mega, half - done);
        names.push_back(L"text" + std::to_wstring(i) + L".txt");
        Kestlib::FileWriteAll(folder + L"\\" + names.back(), Kestlib::ByteVector(text.begin(), text.begin() + size));
        names.push_back(L"data\\random" + std::to_wstring(i) + L".bin");
        Kestlib::FileWriteAll(folder + L"\\" + names.back(), Kestlib::ByteVector(random.begin(), random.begin() + size));
    }
    return names;
}
