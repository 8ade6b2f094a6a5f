#include "tests/lib/PrintArgsCapture.h"

#include <windows.h>

#include <stdexcept>

#include "lib/TextConversion.h"

PrintArgsCapture::PrintArgsCapture() : m_output(m_folder / L"commandline.txt") {
    ::SetEnvironmentVariableW(L"PROC_PRINTARGS_OUTPUT", m_output.c_str());
}

PrintArgsCapture::~PrintArgsCapture() { ::SetEnvironmentVariableW(L"PROC_PRINTARGS_OUTPUT", nullptr); }

std::wstring PrintArgsCapture::PlaceProgram(const std::wstring& relativePath) const {
    std::wstring target = m_folder / relativePath;
    for (std::wstring::size_type slash = target.find(L'\\', m_folder.Path().size() + 1);
         slash != std::wstring::npos; slash = target.find(L'\\', slash + 1)) {
        ::CreateDirectoryW(target.substr(0, slash).c_str(), nullptr);
    }
    if (!::CopyFileW((TestSupport::BinDirectory() + L"proc_printargs.exe").c_str(), target.c_str(), FALSE))
        throw std::runtime_error("cannot copy proc_printargs.exe");
    return target;
}

std::wstring PrintArgsCapture::WaitForCommandLine(unsigned milliseconds) const {
    std::string content;
    return TestSupport::WaitAndReadFile(m_output, &content, milliseconds) ? Kestlib::Utf8ToWide(content)
                                                                          : std::wstring();
}
