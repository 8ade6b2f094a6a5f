#include "tests/support/PlantedLibraries.h"

#include <cwchar>
#include <cwctype>

#include "lib/TextConversion.h"

namespace TestSupport {

namespace {

// Sorted, as LoadedPlants reports them.
const wchar_t* const kPlanted[] = {L"cabinet", L"comctl32", L"msi", L"urlmon", L"version", L"winhttp"};
const wchar_t kMarkVariable[] = L"BOOTWRIGHT_PLANT_MARK";

std::vector<wchar_t> PlantingEnvironment(const std::wstring& mark) {
    std::vector<wchar_t> block;
    auto add = [&block](const std::wstring& text) {
        block.insert(block.end(), text.begin(), text.end());
        block.push_back(L'\0');
    };
    const std::wstring prefix = std::wstring(kMarkVariable) + L"=";
    wchar_t* own = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = own; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        const std::wstring text = entry;
        if (text.compare(0, prefix.size(), prefix) != 0) add(text);
    }
    ::FreeEnvironmentStringsW(own);
    add(prefix + mark);
    block.push_back(L'\0');
    return block;
}

std::wstring FileNameOf(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

}  // namespace

PlantingOverride::PlantingOverride(const std::wstring& program, const std::vector<std::wstring>& libraries)
    : m_key(L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides") {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, m_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    const wchar_t value[] = L"native,builtin";
    m_set = true;
    for (const std::wstring& name : libraries)
        m_set = m_set && ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                          sizeof(value)) == ERROR_SUCCESS;
    ::RegCloseKey(key);
}

PlantingOverride::~PlantingOverride() { ::RegDeleteKeyW(HKEY_CURRENT_USER, m_key.c_str()); }

PlantedFolder::PlantedFolder(const std::wstring& program) : m_program(m_folder / FileNameOf(program)) {
    m_copied = ::CopyFileW(program.c_str(), m_program.c_str(), FALSE) != 0;
    for (const wchar_t* name : kPlanted) {
        const std::wstring file = std::wstring(name) + L".dll";
        m_copied = m_copied &&
                   ::CopyFileW((ProgramDirectory() + L"planted\\" + file).c_str(), (m_folder / file).c_str(), FALSE) != 0;
    }
}

DWORD PlantedFolder::Run(const std::wstring& arguments) const {
    std::wstring command = L"\"" + m_program + L"\" " + arguments;
    std::vector<wchar_t> environment = PlantingEnvironment(m_folder / L"planted.mark");
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(m_program.c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                          environment.data(), m_folder.Path().c_str(), &startup, &process))
        return 0xFFFFFFFF;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0xFFFFFFFF;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return code;
}

std::string PlantedFolder::LoadedPlants() const {
    const std::string marks = ReadTextFile(m_folder / L"planted.mark");
    std::wstring paths(reinterpret_cast<const wchar_t*>(marks.data()), marks.size() / sizeof(wchar_t));
    for (wchar_t& c : paths) c = static_cast<wchar_t>(std::towlower(c));
    // Only the planted copies leave marks; each writes its full path.
    std::string loaded;
    for (const wchar_t* name : kPlanted)
        if (paths.find(L"\\" + std::wstring(name) + L".dll") != std::wstring::npos)
            loaded += Kestlib::WideToAnsi(name) + " ";
    return loaded;
}

}  // namespace TestSupport
