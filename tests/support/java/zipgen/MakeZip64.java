package zipgen;

import java.io.BufferedOutputStream;
import java.io.FileOutputStream;
import java.io.InputStream;
import java.util.Enumeration;
import java.util.zip.CRC32;
import java.util.zip.ZipEntry;
import java.util.zip.ZipFile;
import java.util.zip.ZipOutputStream;

// Writes a copy of a JAR with COUNT more empty entries, all stored: more
// than 65,535 entries in all give an archive in ZIP64 form.
//   java zipgen.MakeZip64 SOURCE.jar OUT.jar COUNT
public class MakeZip64 {
    public static void main(String[] args) throws Exception {
        int count = Integer.parseInt(args[2]);
        try (ZipFile source = new ZipFile(args[0]);
             ZipOutputStream out = new ZipOutputStream(new BufferedOutputStream(new FileOutputStream(args[1]), 1 << 20))) {
            out.setMethod(ZipOutputStream.STORED);
            byte[] buffer = new byte[65536];
            for (Enumeration<? extends ZipEntry> e = source.entries(); e.hasMoreElements();) {
                ZipEntry entry = e.nextElement();
                java.io.ByteArrayOutputStream bytes = new java.io.ByteArrayOutputStream();
                try (InputStream in = source.getInputStream(entry)) {
                    for (int n; (n = in.read(buffer)) > 0;) bytes.write(buffer, 0, n);
                }
                byte[] data = bytes.toByteArray();
                CRC32 crc = new CRC32();
                crc.update(data);
                ZipEntry copy = new ZipEntry(entry.getName());
                copy.setSize(data.length);
                copy.setCompressedSize(data.length);
                copy.setCrc(crc.getValue());
                out.putNextEntry(copy);
                out.write(data);
                out.closeEntry();
            }
            for (int i = 0; i < count; ++i) {
                ZipEntry pad = new ZipEntry("pad/" + i);
                pad.setSize(0);
                pad.setCompressedSize(0);
                pad.setCrc(0);
                out.putNextEntry(pad);
                out.closeEntry();
            }
        }
    }
}
