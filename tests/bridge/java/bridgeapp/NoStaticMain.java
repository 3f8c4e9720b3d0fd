package bridgeapp;

/** Has main(String[]) only as an instance method. */
public class NoStaticMain {
    public void main(String[] args) {
        System.out.println("instance main must not run");
    }
}
