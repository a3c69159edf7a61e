// A program the copy script starts: writes its arguments, one a line, to
// <root>/Temp/<first argument>. While <root>/Temp/hold exists it waits first.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 4) return 1;
    const std::filesystem::path temp = std::filesystem::path(argv[2]) / "Temp";
    while (std::filesystem::exists(temp / "hold")) ::usleep(10000);
    std::ofstream out(temp / (std::string(argv[3]) + ".tmp"));
    for (int i = 3; i < argc; ++i) out << argv[i] << '\n';
    out.close();
    std::filesystem::rename(temp / (std::string(argv[3]) + ".tmp"), temp / argv[3]);
    return 0;
}
