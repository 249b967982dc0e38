// A preloaded library for the emulated-chip test: logs, one line each, the
// calls tarnik-cli makes that move data through the FTDI chip (libftdi's
// write, read and purge, libusb's submitted transfers with the status each
// completes with, and the event handling that completes them), and the
// close, to the file FTDI_CALL_LOG names. The test reads the log to see that
// nothing is written, read or purged once the chip has failed.
//
// Lines: "NAME RESULT" when a call returns, e.g. "ftdi_write_data 24",
// "transfer-done 5", "ftdi_usb_close 0", and "begin NAME 0" when a libftdi
// data call starts: libusb's own calls inside it (its bulk transfer and the
// event handling that waits for it) come between the two.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <libusb.h>
#include <stdio.h>
#include <stdlib.h>

static void Log_Call(const char* name, int result) {
  static FILE* log = NULL;
  if (log == NULL) {
    const char* path = getenv("FTDI_CALL_LOG");
    if (path == NULL || (log = fopen(path, "a")) == NULL) return;
    setvbuf(log, NULL, _IOLBF, 0);
  }
  fprintf(log, "%s %d\n", name, result);
}

#define NEXT(name) ((name##_fn)dlsym(RTLD_NEXT, #name))

typedef int (*ftdi_write_data_fn)(void*, const unsigned char*, int);
int ftdi_write_data(void* ftdi, const unsigned char* buffer, int size) {
  Log_Call("begin ftdi_write_data", 0);
  const int result = NEXT(ftdi_write_data)(ftdi, buffer, size);
  Log_Call("ftdi_write_data", result);
  return result;
}

typedef int (*ftdi_read_data_fn)(void*, unsigned char*, int);
int ftdi_read_data(void* ftdi, unsigned char* buffer, int size) {
  Log_Call("begin ftdi_read_data", 0);
  const int result = NEXT(ftdi_read_data)(ftdi, buffer, size);
  Log_Call("ftdi_read_data", result);
  return result;
}

typedef int (*ftdi_tcioflush_fn)(void*);
int ftdi_tcioflush(void* ftdi) {
  Log_Call("begin ftdi_tcioflush", 0);
  const int result = NEXT(ftdi_tcioflush)(ftdi);
  Log_Call("ftdi_tcioflush", result);
  return result;
}

typedef int (*ftdi_usb_purge_buffers_fn)(void*);
int ftdi_usb_purge_buffers(void* ftdi) {
  Log_Call("begin ftdi_usb_purge_buffers", 0);
  const int result = NEXT(ftdi_usb_purge_buffers)(ftdi);
  Log_Call("ftdi_usb_purge_buffers", result);
  return result;
}

typedef int (*ftdi_usb_close_fn)(void*);
int ftdi_usb_close(void* ftdi) {
  const int result = NEXT(ftdi_usb_close)(ftdi);
  Log_Call("ftdi_usb_close", result);
  return result;
}

// Each submitted transfer's own callback, called after its status is logged.
// The program keeps one bulk read in flight at a time.
enum { Slots = 8 };
static struct {
  struct libusb_transfer* transfer;
  libusb_transfer_cb_fn callback;
} slots[Slots];

static void LIBUSB_CALL Transfer_Done(struct libusb_transfer* transfer) {
  Log_Call("transfer-done", (int)transfer->status);
  for (int i = 0; i < Slots; ++i) {
    if (slots[i].transfer != transfer) continue;
    slots[i].transfer = NULL;
    transfer->callback = slots[i].callback;
    slots[i].callback(transfer);
    return;
  }
}

typedef int (*libusb_handle_events_timeout_completed_fn)(libusb_context*, struct timeval*, int*);
int libusb_handle_events_timeout_completed(libusb_context* context, struct timeval* wait,
                                           int* completed) {
  const int result = NEXT(libusb_handle_events_timeout_completed)(context, wait, completed);
  Log_Call("libusb_handle_events", result);
  return result;
}

typedef int (*libusb_submit_transfer_fn)(struct libusb_transfer*);
int libusb_submit_transfer(struct libusb_transfer* transfer) {
  int slot = -1;
  for (int i = 0; i < Slots && transfer->callback != Transfer_Done; ++i) {
    if (slots[i].transfer != NULL && slots[i].transfer != transfer) continue;
    slot = i;
    slots[i].transfer = transfer;
    slots[i].callback = transfer->callback;
    transfer->callback = Transfer_Done;
    break;
  }
  const int result = NEXT(libusb_submit_transfer)(transfer);
  Log_Call("libusb_submit_transfer", result);
  if (result != 0 && slot >= 0) {
    // Never submitted: its callback will not run.
    transfer->callback = slots[slot].callback;
    slots[slot].transfer = NULL;
  }
  return result;
}
