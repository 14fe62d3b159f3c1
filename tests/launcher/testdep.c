/* A shared library that the test extension module needs, as a database driver would need its
 * client library: packed into lib/ and found there through the launcher's run path. */
const char* ostrel_testdep_greeting(void);

const char* ostrel_testdep_greeting(void) {
  return "greetings from libostrel_testdep";
}
