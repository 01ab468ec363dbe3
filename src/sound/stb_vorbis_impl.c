/* The Vorbis decoder of Debian's libstb-dev, compiled into the program: memory
   input only, no files, no push API, float output (vorbis.cpp converts it). */
#define STB_VORBIS_NO_STDIO 1
#define STB_VORBIS_NO_PUSHDATA_API 1
#define STB_VORBIS_NO_INTEGER_CONVERSION 1
#include <stb_vorbis.h>
