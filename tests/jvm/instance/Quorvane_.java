/**
 * Quorvane_ as a program may declare it with instance methods instead of static ones.
 * The library never looks at the object it is called on, so the same exports serve.
 */
public final class Quorvane_ {
  public native int[] InitCamera();

  public native int ReleaseCamera();

  public native int SetUpCamera(int[] settings);

  public native int RunCOCAsVIDEO();

  public native int StopCOC();

  public native int Acquire(short[] frame);

  public native int Acquire8(byte[] frame);

  public native int AcquireRGB(int[] frame);

  public native int[] WhiteBalance(int[] region);

  public native int[] AutoMinMax(int proportional, int[] region);
}
