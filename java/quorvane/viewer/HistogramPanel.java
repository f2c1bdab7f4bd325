package quorvane.viewer;

import java.awt.Color;
import java.awt.Dimension;
import java.awt.Graphics;
import java.awt.Graphics2D;
import java.awt.RenderingHints;
import java.awt.geom.Path2D;
import javax.swing.JComponent;

/**
 * A small histogram of the last frame's displayed pixels (0..255): grey for a grey frame,
 * red, green and blue for a colour one. The height is scaled to the largest bin apart
 * from the two end bins, which clipped pixels fill; those are drawn cut off.
 */
final class HistogramPanel extends JComponent {
  private static final long serialVersionUID = 1L;
  private static final Color[] RGB = {
    new Color(230, 60, 60, 150), new Color(60, 200, 60, 150), new Color(70, 110, 255, 150)
  };
  private static final Color GREY = new Color(200, 200, 200, 220);

  private int[][] histogram;

  HistogramPanel() {
    setOpaque(true);
    setPreferredSize(new Dimension(256, 110));
    setToolTipText("Histogram of the displayed pixels of the last frame");
  }

  void show(int[][] next) {
    histogram = next;
    repaint();
  }

  @Override
  protected void paintComponent(Graphics graphics) {
    Graphics2D g = (Graphics2D) graphics.create();
    try {
      int w = getWidth();
      int h = getHeight();
      g.setColor(new Color(0x181818));
      g.fillRect(0, 0, w, h);
      if (histogram == null) return;
      long top = 1;
      for (int[] bins : histogram) {
        for (int i = 1; i < 255; i++) top = Math.max(top, bins[i]);
      }
      g.setRenderingHint(RenderingHints.KEY_ANTIALIASING, RenderingHints.VALUE_ANTIALIAS_ON);
      for (int c = 0; c < histogram.length; c++) {
        int[] bins = histogram[c];
        Path2D.Double shape = new Path2D.Double();
        shape.moveTo(0, h);
        for (int i = 0; i < 256; i++) {
          double x = i * (w - 1) / 255.0;
          double y = h - Math.min(1.0, (double) bins[i] / top) * (h - 4);
          shape.lineTo(x, y);
        }
        shape.lineTo(w - 1, h);
        shape.closePath();
        g.setColor(histogram.length == 1 ? GREY : RGB[c]);
        g.fill(shape);
      }
    } finally {
      g.dispose();
    }
  }
}
