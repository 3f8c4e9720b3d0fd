package sample;

public class Hello {
    public static void main(String[] args) {
        System.out.println("pack-sample: greeting=" + System.getProperty("sample.greeting"));
        System.out.println("pack-sample: args=" + String.join("|", args));
    }
}
