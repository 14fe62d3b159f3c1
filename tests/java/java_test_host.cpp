// Runs the Java bridge's tests in a real JVM that this process embeds, next to
// a virtual printer on a pseudo-terminal. The JVM loads the same
// libVarekLib.so that this program links, so Java and C calls share the one
// session of the process, as in a point-of-sale application that uses both.
// The tests reach the printer's transcript and the C functions through the
// native methods of velmora.varek.tests.VirtualDevice registered here.
//
// Usage: java_test_host CLASSPATH LIBRARY [JVM-OPTION...] -- [JUNIT-ARGUMENT...]
#include <asm/termbits.h>
#include <fcntl.h>
#include <jni.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "VarekLib.h"
#include "varek_sim/VirtualPrinter.h"

namespace {

varek::sim::VirtualPrinter* printer = nullptr;
// A descriptor of the printer's line opened before the driver opens it
// exclusively; it shows the line settings the driver applied.
int observerFd = -1;

jstring toJavaString(JNIEnv* env, const std::string& text) {
  return env->NewStringUTF(text.c_str());
}

std::string toStdString(JNIEnv* env, jstring text) {
  if (text == nullptr) return {};
  const char* chars = env->GetStringUTFChars(text, nullptr);
  if (chars == nullptr) return {};
  std::string copy(chars);
  env->ReleaseStringUTFChars(text, chars);
  return copy;
}

jstring portPath(JNIEnv* env, jclass) {
  return toJavaString(env, printer->portPath());
}

void clearTranscript(JNIEnv*, jclass) {
  printer->clearTranscript();
}

jint requestCount(JNIEnv*, jclass) {
  return static_cast<jint>(printer->requestCount());
}

jbyteArray requestFrame(JNIEnv* env, jclass, jint index) {
  const std::vector<varek::sim::Request> requests = printer->requests();
  if (index < 0 || static_cast<size_t>(index) >= requests.size()) return nullptr;
  const std::vector<uint8_t>& frame = requests[static_cast<size_t>(index)].frame;
  jbyteArray bytes = env->NewByteArray(static_cast<jsize>(frame.size()));
  if (bytes == nullptr) return nullptr;
  env->SetByteArrayRegion(bytes, 0, static_cast<jsize>(frame.size()),
                          reinterpret_cast<const jbyte*>(frame.data()));
  return bytes;
}

void pushDeviceError(JNIEnv*, jclass, jint code) {
  printer->pushFault(varek::sim::Fault::DeviceError(static_cast<uint8_t>(code)));
}

void pushSilence(JNIEnv*, jclass) {
  printer->pushFault(varek::sim::Fault::Silence());
}

void setPayload(JNIEnv* env, jclass, jint command, jobjectArray fields) {
  std::vector<std::string> texts;
  const jsize count = env->GetArrayLength(fields);
  for (jsize i = 0; i < count; ++i) {
    auto field = static_cast<jstring>(env->GetObjectArrayElement(fields, i));
    texts.push_back(toStdString(env, field));
    env->DeleteLocalRef(field);
  }
  printer->setPayload(static_cast<uint8_t>(command), std::move(texts));
}

void resetDevice(JNIEnv*, jclass) {
  printer->clearFaults();
  for (int command = 0; command < 256; ++command) {
    printer->resetHandler(static_cast<uint8_t>(command));
  }
  printer->clearTranscript();
}

void setStatusFlags(JNIEnv*, jclass, jint flags1, jint flags2, jint flags3) {
  printer->withModel([&](varek::sim::RegisterModel& model) {
    model.device.statusFlags = {flags1, flags2, flags3};
  });
}

// The line speed the driver set, in bits per second (0 when it cannot be read).
jint lineSpeed(JNIEnv*, jclass) {
  struct termios2 settings {};
  if (ioctl(observerFd, TCGETS2, &settings) != 0) return 0;
  return static_cast<jint>(settings.c_ospeed);
}

jstring paper(JNIEnv* env, jclass) {
  return toJavaString(env, printer->paper());
}

// The same session reached from C.
jint cOpenPort(JNIEnv* env, jclass, jstring path, jint baudRate) {
  return openPort(toStdString(env, path).c_str(), baudRate);
}

jint cGetStatusFlags(JNIEnv* env, jclass, jintArray flags) {
  int values[3] = {0, 0, 0};
  const int result = getStatusFlags(&values[0], &values[1], &values[2]);
  const jint copy[3] = {values[0], values[1], values[2]};
  env->SetIntArrayRegion(flags, 0, 3, copy);
  return result;
}

jint cSetAmountDecimalPlaces(JNIEnv*, jclass, jint places) {
  return setAmountDecimalPlaces(places);
}

jint cGetAmountDecimalPlaces(JNIEnv*, jclass) {
  return getAmountDecimalPlaces();
}

jint cLibAddPosition(JNIEnv*, jclass) {
  return libAddPosition("C", "", 1000, 100, 0, 0, 0);
}

#define NATIVE(name, signature) \
  { const_cast<char*>(#name), const_cast<char*>(signature), reinterpret_cast<void*>(&name) }

const JNINativeMethod kDeviceMethods[] = {
    NATIVE(portPath, "()Ljava/lang/String;"),
    NATIVE(clearTranscript, "()V"),
    NATIVE(requestCount, "()I"),
    NATIVE(requestFrame, "(I)[B"),
    NATIVE(pushDeviceError, "(I)V"),
    NATIVE(pushSilence, "()V"),
    NATIVE(setPayload, "(I[Ljava/lang/String;)V"),
    NATIVE(resetDevice, "()V"),
    NATIVE(setStatusFlags, "(III)V"),
    NATIVE(lineSpeed, "()I"),
    NATIVE(paper, "()Ljava/lang/String;"),
    NATIVE(cOpenPort, "(Ljava/lang/String;I)I"),
    NATIVE(cGetStatusFlags, "([I)I"),
    NATIVE(cSetAmountDecimalPlaces, "(I)I"),
    NATIVE(cGetAmountDecimalPlaces, "()I"),
    NATIVE(cLibAddPosition, "()I"),
};

#undef NATIVE

bool describeException(JNIEnv* env) {
  if (!env->ExceptionCheck()) return false;
  env->ExceptionDescribe();
  return true;
}

// Calls velmora.varek.tests.TestMain.run(String[]) and returns its exit code.
int runTests(JNIEnv* env, const std::vector<std::string>& arguments) {
  jclass device = env->FindClass("velmora/varek/tests/VirtualDevice");
  if (device == nullptr || describeException(env)) return 2;
  const jint methodCount = static_cast<jint>(sizeof kDeviceMethods / sizeof kDeviceMethods[0]);
  if (env->RegisterNatives(device, kDeviceMethods, methodCount) != 0 || describeException(env)) {
    return 2;
  }
  jclass main = env->FindClass("velmora/varek/tests/TestMain");
  if (main == nullptr || describeException(env)) return 2;
  jmethodID run = env->GetStaticMethodID(main, "run", "([Ljava/lang/String;)I");
  if (run == nullptr || describeException(env)) return 2;
  jclass stringClass = env->FindClass("java/lang/String");
  if (stringClass == nullptr || describeException(env)) return 2;
  jobjectArray javaArguments =
      env->NewObjectArray(static_cast<jsize>(arguments.size()), stringClass, nullptr);
  if (javaArguments == nullptr || describeException(env)) return 2;
  for (size_t i = 0; i < arguments.size(); ++i) {
    jstring argument = toJavaString(env, arguments[i]);
    if (argument == nullptr || describeException(env)) return 2;
    env->SetObjectArrayElement(javaArguments, static_cast<jsize>(i), argument);
    env->DeleteLocalRef(argument);
  }
  const jint exitCode = env->CallStaticIntMethod(main, run, javaArguments);
  if (describeException(env)) return 2;
  return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s CLASSPATH LIBRARY [JVM-OPTION...] -- [JUNIT-ARGUMENT...]\n",
                 argv[0]);
    return 2;
  }
  std::vector<std::string> jvmOptions = {std::string("-Djava.class.path=") + argv[1],
                                         std::string("-Dvarek.library=") + argv[2]};
  std::vector<std::string> junitArguments;
  int i = 3;
  for (; i < argc && std::string(argv[i]) != "--"; ++i) jvmOptions.emplace_back(argv[i]);
  for (++i; i < argc; ++i) junitArguments.emplace_back(argv[i]);

  varek::sim::VirtualPrinter device;
  device.start();
  printer = &device;
  observerFd = open(device.portPath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (observerFd < 0) {
    std::perror("opening the printer's line");
    return 2;
  }

  std::vector<JavaVMOption> options(jvmOptions.size());
  for (size_t k = 0; k < jvmOptions.size(); ++k) {
    options[k].optionString = jvmOptions[k].data();
    options[k].extraInfo = nullptr;
  }
  JavaVMInitArgs initArgs{};
  initArgs.version = JNI_VERSION_10;
  initArgs.nOptions = static_cast<jint>(options.size());
  initArgs.options = options.data();
  initArgs.ignoreUnrecognized = JNI_FALSE;

  JavaVM* vm = nullptr;
  JNIEnv* env = nullptr;
  if (JNI_CreateJavaVM(&vm, reinterpret_cast<void**>(&env), &initArgs) != JNI_OK) {
    std::fprintf(stderr, "the Java virtual machine could not be created\n");
    return 2;
  }
  const int exitCode = runTests(env, junitArguments);
  vm->DestroyJavaVM();
  close(observerFd);
  device.stop();
  printer = nullptr;
  return exitCode;
}
