#include "log_reader.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "adif_reader.h"
#include "cabrillo_reader.h"
#include "log_error.h"
#include "text.h"

namespace korvan::host {

std::string readWholeFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw InputError(path, 0, "is a folder, expected a file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(path, 0, "cannot be opened for reading");
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) throw InputError(path, 0, "could not be read to the end");
    return content.str();
}

ContactLog readLogText(std::string_view text, const std::string& fileName) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // UTF-8 byte order mark

    std::string extension = toLower(std::filesystem::path(fileName).extension().string());
    if (extension == ".adi" || extension == ".adif") return readAdif(text, fileName);
    if (extension == ".cbr" || extension == ".log") return readCabrillo(text, fileName);
    std::string start = toUpper(trim(text.substr(0, 64)));
    if (start.rfind("START-OF-LOG", 0) == 0) return readCabrillo(text, fileName);
    return readAdif(text, fileName);
}

ContactLog readLogFile(const std::string& path) {
    return readLogText(readWholeFile(path), path);
}

}  // namespace korvan::host
