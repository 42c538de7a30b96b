/* The entry points of libossel-pictures.so, the module that draws the spectrogram page and the frequency page of a
 * track as PNG files for `ossel analyze --pictures`. The command line loads it with dlopen() only when pictures
 * are asked for, so that the program itself needs no Qt; only plain C types cross between the two.
 *
 * ossel_pictures_start comes first and makes the module's offscreen application in the texts' language (English from
 * the catalogue i18n/ossel_en.qm beside the module, else the original texts); ossel_pictures_finish comes last,
 * from the same thread, and tears down everything the module made. Renders may come from any thread in between,
 * one at a time: the application belongs to the thread that started it, which must outlive every render. */
#ifndef OSSEL_CLI_PICTURES_PICTURE_API_H
#define OSSEL_CLI_PICTURES_PICTURE_API_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Raised whenever the request's layout changes; the module refuses requests of another version. */
#define OSSEL_PICTURES_API_VERSION 4

#define OSSEL_PICTURES_RENDER_SYMBOL "ossel_pictures_render"
#define OSSEL_PICTURES_FINISH_SYMBOL "ossel_pictures_finish"
#define OSSEL_PICTURES_START_SYMBOL "ossel_pictures_start"
#define OSSEL_PICTURES_FREE_SYMBOL "ossel_pictures_free"

enum OsselPicturePage {
  OSSEL_PICTURE_SPECTRUM = 1,  /* the spectrogram page: image, imageWidth, imageColumns, seconds, topFrequency */
  OSSEL_PICTURE_FREQUENCY = 2  /* the frequency page: profile, topFrequency, profileScale, cutoffHz, bandLimitHz,
                                * bandLimitSharp */
};

struct OsselPictureRequest {
  int version;    /* OSSEL_PICTURES_API_VERSION */
  int page;       /* an OsselPicturePage */
  int width;      /* the picture's size in pixels */
  int height;
  const char* palettePath;  /* the spectrogram's palette file; null: spectrum.pal beside the running program. A
                             * file that cannot be opened gives the built-in palette. */

  const uint8_t* image; /* imageWidth x 1025 palette indices, row after row */
  int imageWidth;
  int imageColumns;     /* the columns that hold data, from the first (the rest pads the rows); 0: all */
  int seconds;          /* the track's playing time */

  const double* profile; /* 8192 values: the left channel's 4096 bins, then the right's */
  double profileScale;   /* the level range in dB */
  double cutoffHz;       /* the cutoff marker; 0: none */
  double bandLimitHz;    /* the band limit's marker; 0: none */
  int bandLimitSharp;    /* nonzero: the band limit is sharp */

  double topFrequency;   /* frequency of the highest bin (both pages) */

  unsigned char* png;    /* out: the PNG file's bytes, to be given back with ossel_pictures_free */
  size_t pngBytes;
  char error[512];       /* out: why the call failed, one line without a line break */
};

/* The texts' languages. */
enum OsselPicturesLanguage { OSSEL_PICTURES_ORIGINAL = 0, OSSEL_PICTURES_ENGLISH = 1 };

/* Makes the module's application (unless the process has one) and sets the language of the pictures' texts. 0 when
 * done; nonzero when the English catalogue is missing (the pictures then show the original texts). */
typedef int (*OsselPicturesStartFn)(int language);
/* 0 when the picture was drawn into request->png; otherwise nonzero with request->error filled in. The caller
 * writes the file itself, so that it knows the system's reason when that fails. */
typedef int (*OsselPicturesRenderFn)(struct OsselPictureRequest* request);
/* Gives back the bytes of a picture. */
typedef void (*OsselPicturesFreeFn)(unsigned char* png);
/* Ends the module's application and frees what the module holds. */
typedef void (*OsselPicturesFinishFn)(void);

int ossel_pictures_start(int language);
int ossel_pictures_render(struct OsselPictureRequest* request);
void ossel_pictures_free(unsigned char* png);
void ossel_pictures_finish(void);

#ifdef __cplusplus
}
#endif

#endif /* OSSEL_CLI_PICTURES_PICTURE_API_H */
