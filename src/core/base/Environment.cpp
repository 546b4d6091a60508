#include "core/base/Environment.h"

#include <optional>

namespace {
std::optional<Environment>& Held() {
    static std::optional<Environment> held;
    return held;
}
} // namespace

Environment ReadEnvironment() {
    Environment environment;
    environment.temp = qEnvironmentVariable("TEMP");
    environment.appFolder = qEnvironmentVariable("LEXITALLY_APP_DIR");
    environment.converter = qEnvironmentVariable("LEXITALLY_PDFTOTEXT");
    environment.ocrEngine = qEnvironmentVariable("LEXITALLY_TESSERACT");
    environment.ocrRenderer = qEnvironmentVariable("LEXITALLY_PDFTOPPM");
    environment.cacheHome = qEnvironmentVariable("XDG_CACHE_HOME");
    environment.storeLimit = qEnvironmentVariable("LEXITALLY_CACHE_SIZE");
    environment.password = qEnvironmentVariable("LEXITALLY_PASSWORD");
    return environment;
}

const Environment& CurrentEnvironment() {
    auto& held = Held();
    if (!held) {
        held = ReadEnvironment();
    }
    return *held;
}

void UseEnvironment(Environment environment) {
    Held() = std::move(environment);
}
