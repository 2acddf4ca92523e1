package com.example.instances;

import com.tarnwick.wyn.Instances;
import java.io.File;

/**
 * Reports what the instance registry says, each time the test asks: when the file
 * DIR/NAME.report appears it is removed and "first.N=", "current.N=", "instances.N=" and
 * "done.N=yes" are printed for the N-th report; DIR/NAME.stop ends the application by
 * returning from main, DIR/NAME.exit through System.exit(3).
 */
public final class InstancesApp {
    public static void main(String[] args) throws Exception {
        File ask = new File(args[0], args[1] + ".report");
        File stop = new File(args[0], args[1] + ".stop");
        File exit = new File(args[0], args[1] + ".exit");
        int reports = 0;
        report(++reports);
        while (!stop.exists()) {
            if (ask.exists() && ask.delete()) {
                report(++reports);
            }
            if (exit.exists()) {
                System.exit(3);
            }
            Thread.sleep(20);
        }
    }

    private static void report(int n) {
        int[] instances = Instances.getInstances();
        StringBuilder list = new StringBuilder();
        for (int i = 0; instances != null && i < instances.length; i++) {
            list.append(i > 0 ? "," : "").append(instances[i]);
        }
        System.out.println("first." + n + "=" + Instances.getFirstInstance());
        System.out.println("current." + n + "=" + Instances.getCurrentInstance());
        System.out.println("instances." + n + "=" + (instances == null ? "null" : list));
        System.out.println("done." + n + "=yes");
        System.out.flush();
    }
}
