/** Brings the simulated camera up and down through instance methods and prints what it saw. */
public final class InstanceCheck {
  private InstanceCheck() {}

  public static void main(String[] args) {
    System.load(args[0]);
    Quorvane_ camera = new Quorvane_();
    int[] init = camera.InitCamera();
    short[] frame = new short[init[1] * init[2]];
    int[] settings = {3, 1, 1, 0, 100, 1, 0, 100, 100, 100, 0, 4095, 100, 100};
    int setUp = camera.SetUpCamera(settings);
    int acquired = camera.Acquire(frame);
    int[] range = camera.AutoMinMax(0, new int[] {0, 0, init[1], init[2]});
    System.out.println("init " + init[0] + " " + init[1] + " " + init[2] + " " + init[3]
        + " setup " + setUp + " acquire " + acquired + " range " + (range[0] < range[1])
        + " release " + camera.ReleaseCamera());
  }
}
