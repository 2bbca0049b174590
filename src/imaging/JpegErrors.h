#pragma once
// libjpeg's error handling as the program uses it everywhere: errors jump back to the caller
// (set `jump` with setjmp before any libjpeg call that may fail) instead of exiting, and
// warnings of damaged data are counted, never printed. One decompressor with its pools
// bounded, so that a hostile header cannot take memory before its size is checked.

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace jpeg {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int warnings = 0;   // warnings of damaged data seen so far

    // Makes this the error manager of `cinfo` (a compressor or a decompressor).
    template<typename Info>
    void attach(Info &cinfo)
    {
        cinfo.err = jpeg_std_error(&pub);
        pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<ErrorManager *>(c->err)->jump, 1); };
        pub.emit_message = [](j_common_ptr c, int level) {
            if (level < 0)
                ++reinterpret_cast<ErrorManager *>(c->err)->warnings;
        };
    }
};

struct Decompressor {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    Decompressor()
    {
        err.attach(cinfo);
        jpeg_create_decompress(&cinfo);
        cinfo.mem->max_memory_to_use = 256L * 1024 * 1024;
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
    Decompressor(const Decompressor &) = delete;
    Decompressor &operator=(const Decompressor &) = delete;
};

} // namespace jpeg
