// Writes the workbook stream of each workbook given into a folder: seeds for biff_fuzzer.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: extract_stream OUTDIR WORKBOOK...\n");
        return 2;
    }
    gsf_init();
    for (int i = 2; i < argc; ++i) {
        GsfInput* in = gsf_input_stdio_new(argv[i], nullptr);
        if (!in) continue;
        GsfInfile* ole = gsf_infile_msole_new(in, nullptr);
        g_object_unref(in);
        if (!ole) continue;
        GsfInput* book = gsf_infile_child_by_name(ole, "Workbook");
        if (book) {
            std::vector<guint8> bytes(std::size_t(gsf_input_size(book)));
            if (gsf_input_read(book, bytes.size(), bytes.data())) {
                std::string name = argv[i];
                name = std::string(argv[1]) + "/" + name.substr(name.find_last_of('/') + 1) +
                       ".stream";
                if (FILE* f = std::fopen(name.c_str(), "wb")) {
                    std::fwrite(bytes.data(), 1, bytes.size(), f);
                    std::fclose(f);
                }
            }
            g_object_unref(book);
        }
        g_object_unref(ole);
    }
    return 0;
}
