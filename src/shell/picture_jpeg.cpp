// Decoding a picture file with libjpeg, the same on Linux and Windows.
#include "platform/pictures.h"

#include "files/regular_file.h"
#include "platform/files.h"
#include "platform/program.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

// libjpeg's standard error manager, except that a fatal error returns to the
// loader (longjmp) instead of ending the process. Warnings are counted and the
// first is reported, as the standard manager does.
struct LoadErrors {
    jpeg_error_mgr standard;
    std::jmp_buf fatal;
    const char* fileName;
    bool reported;
};

void reportOnce(j_common_ptr cinfo)
{
    auto* errors = reinterpret_cast<LoadErrors*>(cinfo->err);
    if (errors->reported)
        return;
    errors->reported = true;
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    std::fprintf(stderr, "%s: %s: %s\n", programName(), errors->fileName, message);
}

[[noreturn]] void onFatalError(j_common_ptr cinfo)
{
    reportOnce(cinfo);
    std::longjmp(reinterpret_cast<LoadErrors*>(cinfo->err)->fatal, 1);
}

void onMessage(j_common_ptr cinfo, int level)
{
    if (level < 0) {
        // A warning (corrupt data, a file cut short): counted; reported once.
        if (cinfo->err->num_warnings == 0)
            reportOnce(cinfo);
        ++cinfo->err->num_warnings;
    }
}

// Prefixed with the program's own name: the show and the capture tool both load pictures.
void reportFailure(const char* fileName, const char* why)
{
    std::fprintf(stderr, "%s: %s: %s\n", programName(), fileName, why);
}

} // namespace

bool decodePicture(const char* fileName, int maxSide, DecodedPicture* picture)
{
    std::string why;
    const int fd = openRegularFile(fileName, &why);
    std::FILE* file = fd >= 0 ? fdopen(fd, "rb") : nullptr;
    if (!file) {
        if (fd >= 0) {
            why = std::strerror(errno);
            close(fd);
        }
        reportFailure(fileName, why.c_str());
        return false;
    }

    jpeg_decompress_struct cinfo{};
    LoadErrors errors{};
    cinfo.err = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = onFatalError;
    errors.standard.emit_message = onMessage;
    errors.fileName = fileName;

    // Whatever a fatal error interrupts, this is where the load ends. Only
    // volatile or untouched-since locals are read after the jump.
    unsigned char* volatile buffer = nullptr;
    if (setjmp(errors.fatal)) {
        std::free(buffer);
        jpeg_destroy_decompress(&cinfo);
        std::fclose(file);
        picture->pixels = nullptr;
        return false;
    }

    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);

    if (static_cast<long>(cinfo.image_width) > maxSide || static_cast<long>(cinfo.image_height) > maxSide) {
        char why[96];
        std::snprintf(why, sizeof why, "picture of %ux%u is larger than the %dx%d the GL accepts",
                      cinfo.image_width, cinfo.image_height, maxSide, maxSide);
        reportFailure(fileName, why);
        jpeg_destroy_decompress(&cinfo);
        std::fclose(file);
        return false;
    }

    jpeg_start_decompress(&cinfo);
    picture->width = static_cast<int>(cinfo.image_width);
    picture->height = static_cast<int>(cinfo.image_height);
    picture->components = cinfo.num_components;

    const std::size_t rowBytes = static_cast<std::size_t>(picture->width) * cinfo.output_components;
    buffer = static_cast<unsigned char*>(std::malloc(rowBytes * picture->height));
    if (!buffer) {
        reportFailure(fileName, "out of memory");
        jpeg_destroy_decompress(&cinfo);
        std::fclose(file);
        return false;
    }
    picture->pixels = buffer;

    bool complete = true;
    unsigned char* row = picture->pixels;
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {row};
        if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) {
            complete = false;
            break;
        }
        row += rowBytes;
    }
    if (complete)
        jpeg_finish_decompress(&cinfo);
    const long warnings = errors.standard.num_warnings;
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);

    bool failed = warnings > 0 || !complete;
    if (!failed && picture->components != 3) {
        char why[64];
        std::snprintf(why, sizeof why, "has %d colour components; the show needs 3 (RGB)", picture->components);
        reportFailure(fileName, why);
        failed = true;
    }
    if (failed) {
        std::free(picture->pixels);
        picture->pixels = nullptr;
        return false;
    }
    return true;
}

