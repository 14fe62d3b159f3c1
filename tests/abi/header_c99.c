/* The public header must compile as plain C99 with every warning an error. */
#include "VarekLib.h"

#include <stddef.h>

int main(void) {
  ReplyRecord record;
  record.result = VAREK_OK;
  record.length = 0;
  (void)record;
  return getDriverVersion() == VAREK_DRIVER_VERSION ? 0 : 1;
}
