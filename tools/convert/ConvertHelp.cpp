#include "tools/convert/ConvertArguments.h"

namespace quillon::convert {

std::string ConvertHelpText() {
  return R"(Usage:
  quillon-convert [OPTIONS] INPUT OUTPUT     convert; the type of OUTPUT comes from its extension
  quillon-convert [LOAD OPTIONS] --info FILE
                                             size, colour depth, format and, for compressed
                                             files, the compression ratio
  quillon-convert [LOAD OPTIONS] --compare REFERENCE FILE
                                             MAE, MSE, RMS, SNR, PSNR and SSIM of FILE
                                             against REFERENCE over their common top-left
                                             area (SSIM: luminance, Gaussian window 11 x 11,
                                             sigma 1.5)
  quillon-convert --help                     this text

Inputs are recognised by their contents: BMP, PGM, PPM, TIFF, JPEG, KVF and JPEG 2000 (JP2
and JPX files, raw codestreams). JPEG 2000 inputs become 8-bit grey or 24-bit colour pictures:
deeper samples keep their top 8 bits, and opacity and extra channels are left out.

Output types by extension (case is ignored):
  .jp2                JPEG 2000, JP2 file          .kvf          KVF wavelet file
  .jpx .jpf           JPEG 2000, JPX file          .bmp          Windows bitmap
  .j2k .j2c .jpc      JPEG 2000 raw codestream     .ppm .pgm     portable pixmap / greymap
  .tif .tiff          TIFF                         .jpg .jpeg    JPEG
A PGM output of a colour picture is converted to grey first.

Compression of JPEG 2000 and KVF outputs (one of these; the default is --lossless):
  --lossless            keep every sample
  --quality Q           quality from 1 to 100
  --rate R              compression rate 1:R, R at least 1
  --size KB             target file size in kilobytes
  --progression ORDER   JPEG 2000 packet order: quality (default), resolution, position or
                        color (color needs a colour picture)
  --baseline            KVF: baseline instead of embedded scan order
  --password TEXT       KVF: protect the file (1 to 33 characters); the quality above the
                        free quality needs the password
  --free-quality PERCENT
                        KVF: quality anyone may see without the password, 0 to 100 (default
                        50)
  --region X,Y,W,H      enhancement region in pixels from the top-left corner (repeatable,
                        up to 16); the region must lie on the picture
  --enhance LEVEL       enhancement level of the regions, 0 to 10 (default 0)

Expert JPEG 2000 options (each replaces what the writer would choose):
  --levels N            wavelet decomposition levels, 0 to 32
  --layers N            quality layers, 1 to 65535
  --tile WxH            tile size in pixels (default: one tile)
  --codeblock WxH       code-block size, powers of two from 4 to 1024, W times H at most 4096
  --sop                 start-of-packet markers
  --eph                 end-of-packet-header markers
  --visual-weighting N  visual weighting mode, 0 (off) to 3

Other outputs:
  --jpeg-quality Q      JPEG quality from 1 to 100 (default 80)
  --ascii               PPM/PGM: plain (ASCII) samples instead of binary
  --packbits            TIFF: PackBits compression instead of none
Options that do not concern the output's type are ignored.

Load options (how much of a compressed input to decode; one of the first three):
  --load-quality Q      decode up to quality Q (1 to 100; KVF files of versions 0 and 1 take
                        1 to 15, and above 15 decode whole)
  --load-rate R         decode the bytes of compression rate 1:R
  --load-size KB        decode the first KB kilobytes
  --reduce F            JPEG 2000: decode at 1/2^F of the width and height (F from 0 to 31;
                        smaller when a component would be left empty)
  --password TEXT       password of a protected KVF input; without it the picture opens at
                        the quality free to all
With --compare the load options and the password apply to both files.

General:
  --yes                 answer Yes to the questions the writers ask (for example whether to
                        proceed when the result will probably be larger than the input);
                        without it they are answered No and the convert stops
  --                    end of options (for file names that begin with '-')
  Options take their value as the next argument or after '=' (--quality=60).

A convert prints one line: output file, its size, the compression ratio and the time taken.
Progress is shown on standard error when it is a terminal. Messages and errors go to standard
error; the exit status is 0 on success and 1 on any error. The output is written to a
temporary file and renamed over OUTPUT only when complete, so a failed convert leaves an
existing file as it was.
)";
}

}  // namespace quillon::convert
