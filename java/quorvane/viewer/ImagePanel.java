package quorvane.viewer;

import java.awt.BasicStroke;
import java.awt.Color;
import java.awt.Dimension;
import java.awt.Graphics;
import java.awt.Graphics2D;
import java.awt.Point;
import java.awt.Rectangle;
import java.awt.RenderingHints;
import java.awt.event.MouseAdapter;
import java.awt.event.MouseEvent;
import java.awt.image.BufferedImage;
import java.util.function.Consumer;
import javax.swing.JComponent;
import quorvane.Region;

/**
 * Shows the last frame scaled to fit, keeping its proportions, and lets the user drag a
 * region over it. The region is kept in pixels of the frame; a click without dragging
 * clears it.
 */
final class ImagePanel extends JComponent {
  private static final long serialVersionUID = 1L;

  private transient BufferedImage image;
  private transient Region selection;
  private transient Consumer<Region> selectionListener = r -> {};
  private Point dragStart;

  ImagePanel() {
    setOpaque(true);
    setBackground(new Color(0x202020));
    setPreferredSize(new Dimension(696, 520));
    setToolTipText("Drag to select a region for White balance and Auto range");
    MouseAdapter mouse = new MouseAdapter() {
      @Override
      public void mousePressed(MouseEvent e) {
        dragStart = toImage(e.getPoint());
      }

      @Override
      public void mouseDragged(MouseEvent e) {
        if (dragStart == null) return;
        Point end = toImage(e.getPoint());
        if (end == null) return;
        int x = Math.min(dragStart.x, end.x);
        int y = Math.min(dragStart.y, end.y);
        setSelection(new Region(x, y, Math.abs(end.x - dragStart.x),
            Math.abs(end.y - dragStart.y)));
      }

      @Override
      public void mouseReleased(MouseEvent e) {
        if (dragStart != null && selection != null && (selection.width() < 2
            || selection.height() < 2)) {
          setSelection(null);
        }
        dragStart = null;
      }
    };
    addMouseListener(mouse);
    addMouseMotionListener(mouse);
  }

  /** Shows a new frame; returns the one it replaces. */
  BufferedImage show(BufferedImage next) {
    BufferedImage previous = image;
    image = next;
    repaint();
    return previous;
  }

  Region selection() {
    return selection;
  }

  void setSelection(Region region) {
    selection = region;
    selectionListener.accept(region);
    repaint();
  }

  void onSelection(Consumer<Region> listener) {
    selectionListener = listener;
  }

  /** Where the image is drawn: centred, as large as fits, proportions kept. */
  private Rectangle imageBounds() {
    if (image == null) return null;
    double scale = Math.min((double) getWidth() / image.getWidth(),
        (double) getHeight() / image.getHeight());
    int w = (int) Math.round(image.getWidth() * scale);
    int h = (int) Math.round(image.getHeight() * scale);
    return new Rectangle((getWidth() - w) / 2, (getHeight() - h) / 2, w, h);
  }

  /** A point of the panel in frame pixels, clamped into the frame; null with no frame. */
  private Point toImage(Point p) {
    Rectangle b = imageBounds();
    if (b == null || b.width == 0 || b.height == 0) return null;
    int x = (int) ((p.x - b.x) * (double) image.getWidth() / b.width);
    int y = (int) ((p.y - b.y) * (double) image.getHeight() / b.height);
    return new Point(Math.max(0, Math.min(image.getWidth(), x)),
        Math.max(0, Math.min(image.getHeight(), y)));
  }

  @Override
  protected void paintComponent(Graphics graphics) {
    Graphics2D g = (Graphics2D) graphics.create();
    try {
      g.setColor(getBackground());
      g.fillRect(0, 0, getWidth(), getHeight());
      Rectangle b = imageBounds();
      if (b == null) {
        g.setColor(Color.LIGHT_GRAY);
        g.drawString("Waiting for the camera...", 20, 30);
        return;
      }
      g.setRenderingHint(RenderingHints.KEY_INTERPOLATION,
          RenderingHints.VALUE_INTERPOLATION_BILINEAR);
      g.drawImage(image, b.x, b.y, b.width, b.height, null);
      if (selection != null) {
        double sx = (double) b.width / image.getWidth();
        double sy = (double) b.height / image.getHeight();
        int x = b.x + (int) Math.round(selection.x() * sx);
        int y = b.y + (int) Math.round(selection.y() * sy);
        int w = (int) Math.round(selection.width() * sx);
        int h = (int) Math.round(selection.height() * sy);
        g.setStroke(new BasicStroke(2f));
        g.setColor(Color.BLACK);
        g.drawRect(x + 1, y + 1, w, h);
        g.setColor(Color.YELLOW);
        g.drawRect(x, y, w, h);
      }
    } finally {
      g.dispose();
    }
  }
}
