#include "driver/workspace.h"

#include <fstream>
#include <system_error>

#include "driver/driver_error.h"
#include "driver/text.h"

namespace telvia::e2e {

namespace {

std::string describe(const std::filesystem::path& path)
{
    return toUtf8(path.wstring());
}

}  // namespace

Workspace::Workspace(const std::filesystem::path& base, std::wstring_view name,
                     const std::filesystem::path& program)
    : folder_(base / name)
{
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
    if (error) {
        throw DriverError("cannot empty " + describe(folder_) + ": " + error.message());
    }
    std::filesystem::create_directories(folder_, error);
    if (error) {
        throw DriverError("cannot create " + describe(folder_) + ": " + error.message());
    }
    copyIn(program, L"telvia.exe");
}

void Workspace::writeFile(std::wstring_view name, std::string_view bytes) const
{
    const std::filesystem::path path = pathOf(name);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        throw DriverError("cannot write " + describe(path));
    }
}

void Workspace::copyIn(const std::filesystem::path& source, std::wstring_view name) const
{
    // MinGW's copy_file refuses to overwrite even when told to, so the old file goes first.
    remove(name);
    std::error_code error;
    std::filesystem::copy_file(source, pathOf(name), error);
    if (error) {
        throw DriverError("cannot copy " + describe(source) + " to " + describe(pathOf(name)) + ": " +
                          error.message());
    }
    // A read-only source makes a read-only copy, which the next run could not remove.
    std::filesystem::permissions(pathOf(name), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, error);
}

bool Workspace::contains(std::wstring_view name) const
{
    std::error_code error;
    return std::filesystem::is_regular_file(pathOf(name), error);
}

std::optional<std::string> Workspace::tryReadFile(std::wstring_view name) const
{
    const std::filesystem::path path = pathOf(name);
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    std::ifstream file(path, std::ios::binary);
    std::string bytes(error ? 0 : static_cast<std::size_t>(size), '\0');
    if (error || !file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        return std::nullopt;
    }
    return bytes;
}

std::string Workspace::readFile(std::wstring_view name) const
{
    std::optional<std::string> bytes = tryReadFile(name);
    if (!bytes) {
        throw DriverError("cannot read " + describe(pathOf(name)));
    }
    return std::move(*bytes);
}

void Workspace::remove(std::wstring_view name) const
{
    std::error_code error;
    std::filesystem::remove(pathOf(name), error);
    if (error) {
        throw DriverError("cannot remove " + describe(pathOf(name)) + ": " + error.message());
    }
}

}  // namespace telvia::e2e
