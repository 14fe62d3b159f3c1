package velmora.varek.tests;

import java.lang.reflect.Field;

/** Reads and writes the fields "intParamNN" of any result object. */
final class Fields {
  private Fields() {}

  static void set(Object object, int number, int value) {
    try {
      field(object, number).setInt(object, value);
    } catch (ReflectiveOperationException e) {
      throw new AssertionError(e);
    }
  }

  static int get(Object object, int number) {
    try {
      return field(object, number).getInt(object);
    } catch (ReflectiveOperationException e) {
      throw new AssertionError(e);
    }
  }

  private static Field field(Object object, int number) throws NoSuchFieldException {
    Field field = object.getClass().getDeclaredField(String.format("intParam%02d", number));
    field.setAccessible(true);
    return field;
  }
}
