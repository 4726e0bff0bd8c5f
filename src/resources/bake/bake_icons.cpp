// Draws every icon at every size it holds and writes them, run-length coded, as the C++ source
// of res::detail::BakedIcons(), so that the program starts without drawing anything.
//   bake_icons OUTPUT.cpp
#include <cstdio>
#include <string>
#include <vector>

#include "resources/drawing/icon_drawing.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
    return 2;
  }
  // Written aside and renamed at the end, so a failed run leaves no half file to compile.
  const std::string partial = std::string(argv[1]) + ".partial";
  FILE* out = std::fopen(partial.c_str(), "w");
  if (out == nullptr) {
    std::perror(partial.c_str());
    return 1;
  }
  std::fprintf(out,
               "// Made by bake_icons from resources/drawing at build time; not to be edited.\n"
               "#include \"resources/baked_icons.h\"\n\n"
               "namespace brisa::res::detail {\nnamespace {\n\n");
  std::string table;
  for (const brisa::res::drawing::IconResource& icon : brisa::res::drawing::IconResources()) {
    for (int size : icon.sizes) {
      const std::string name = "kIcon" + std::to_string(icon.id) + "At" + std::to_string(size);
      table +=
          "    {" + std::to_string(icon.id) + ", " + std::to_string(size) + ", " + name + "},\n";
      std::fprintf(out, "constexpr PixelRun %s[] = {\n", name.c_str());
      const std::vector<std::uint32_t> pixels = brisa::res::drawing::DrawIcon(icon.id, size).pixels;
      int onLine = 0;
      for (std::size_t at = 0; at < pixels.size();) {
        std::size_t end = at;
        while (end < pixels.size() && pixels[end] == pixels[at]) ++end;
        std::fprintf(out, "%s{%zuu, 0x%08Xu},", onLine == 0 ? "    " : " ", end - at,
                     static_cast<unsigned>(pixels[at]));
        if (++onLine == 4) {
          std::fprintf(out, "\n");
          onLine = 0;
        }
        at = end;
      }
      std::fprintf(out, "%s};\n\n", onLine == 0 ? "" : "\n");
    }
  }
  std::fprintf(out,
               "constexpr BakedIcon kIcons[] = {\n%s};\n\n}  // namespace\n\n"
               "std::span<const BakedIcon> BakedIcons() {\n  return kIcons;\n}\n\n"
               "}  // namespace brisa::res::detail\n",
               table.c_str());
  if (std::fclose(out) != 0 || std::rename(partial.c_str(), argv[1]) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
